#pragma once

#include <QString>

// The arithmetic of a test, kept apart from the window so it can be checked on its own.

// A setting's text as a signed decimal integer; anything else throws DbError
// "'<text>' is not a valid integer value", as reading an integer column does.
int toInteger(const QString &text);

// Share of right answers in whole percent, a half rounded to the even neighbour (12.5 -> 12,
// 37.5 -> 38). No questions count as 0 %.
int rightPercentage(int right, int questions);

// 5, 4, 3 or 2: the first threshold the percentage reaches, tried from the highest grade down.
int gradeFor(int percentage, int fine, int good, int bad);

// The countdown as the timer label shows it: two-digit minutes and seconds, at most 5 characters.
QString timeText(int minutes, int seconds);

struct TimeUsed
{
    int minutes = 0;
    int seconds = 0;
};

// Time used, from the countdown state left when the test ended and the limit in minutes.
TimeUsed timeUsed(int limitMinutes, int minutesLeft, int secondsLeft);

// The final message of a finished test; "\r" breaks the lines.
QString resultReport(int right, int questions, TimeUsed used, int grade);
