#pragma once

#include <QStringList>

#include <cstdio>

// "velanika --set-teacher-password": reads the new password twice from the terminal without echo
// (once from input that is not a terminal, as a script gives it) and stores it in the record the
// program would use from the current folder. Returns the exit status; messages go to err.
bool wantsTeacherPassword(const QStringList &arguments);
int setTeacherPasswordCommand(std::FILE *in, std::FILE *err);
