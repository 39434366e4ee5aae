#include "data/Grades.h"

#include <cmath>

int rightPercentage(int right, int questions)
{
    if (questions <= 0)
        return 0;
    const double share = right * 100.0 / questions;
    const double below = std::floor(share);
    const double rest = share - below;
    double rounded = below;
    if (rest > 0.5)
        rounded = below + 1;
    else if (rest == 0.5)
        rounded = std::fmod(below, 2.0) == 0.0 ? below : below + 1;
    return static_cast<int>(rounded);
}

int gradeFor(int percentage, int fine, int good, int bad)
{
    // Thresholds are not compared with each other: a "good" above "fine" never gives 4.
    if (percentage >= fine)
        return 5;
    if (percentage >= good)
        return 4;
    if (percentage >= bad)
        return 3;
    return 2;
}

int gradeOf(int right, int questions, const GradeRules &rules)
{
    return gradeFor(rightPercentage(right, questions), rules.fine, rules.good, rules.bad);
}
