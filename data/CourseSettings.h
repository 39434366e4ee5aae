#pragma once

#include "data/Grades.h"

#include <QString>

class Connection;

// The settings a teacher changes in System: the time limit (Min) and the thresholds
// (FinePercent, GoodPercent, BadPercent), as GradeRules hold them.

// Why the settings cannot be stored, in Russian; empty when they can: the limit a whole number of
// minutes from 1 to 600, each threshold a whole percentage 0..100, and fine >= good >= bad.
QString settingsProblem(const GradeRules &rules);

// The stored settings; a missing or unreadable value reads as 0 (which settingsProblem refuses).
GradeRules readSettings(Connection &connection);

// Stores all four in one transaction (a missing row is added). Throws DbError with the problem's
// text when settingsProblem finds one, and nothing is written then. A test already running keeps
// the rules it began with: the attempt journal holds them.
void saveSettings(Connection &connection, const GradeRules &rules);
