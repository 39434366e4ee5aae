#pragma once

#include "data/Grades.h"

#include <QString>

// The arithmetic of a test, kept apart from the window so it can be checked on its own. The grade
// itself (rightPercentage, gradeFor) is the data layer's, as the attempt journal grades too.

// A setting's text as a signed decimal integer; anything else throws DbError
// "'<text>' is not a valid integer value", as reading an integer column does.
int toInteger(const QString &text);

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
