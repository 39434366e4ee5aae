#pragma once

// How a test is graded, the same for the test window and for the attempt journal.

// The time limit and the thresholds a test runs and is graded by, fixed when it begins.
struct GradeRules
{
    int minutes = 0;
    int fine = 0; // lowest percentage of right answers for 5
    int good = 0; // for 4
    int bad = 0;  // for 3; below it 2
};

// Share of right answers in whole percent, a half rounded to the even neighbour (12.5 -> 12,
// 37.5 -> 38). No questions count as 0 %.
int rightPercentage(int right, int questions);

// 5, 4, 3 or 2: the first threshold the percentage reaches, tried from the highest grade down.
int gradeFor(int percentage, int fine, int good, int bad);

// The grade for right answers out of questions under the rules.
int gradeOf(int right, int questions, const GradeRules &rules);
