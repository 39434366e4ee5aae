#pragma once

#include <QString>

class Connection;

// Each student's reading preferences, rows of table Preferences of a Data.mdb file: student
// (Users.ID), Name and a text Value. (A server keeps them through its own functions.)
namespace preferences {

// Makes table Preferences in a file made before it existed, in one transaction; a file that has
// it is left alone. Throws DbError when the file refuses it.
void addPreferencesTable(Connection &connection);

// The student's value, or empty when none is stored (also when the file has no such table yet).
QString read(Connection &connection, int student, const QString &name);

// Stores the student's value in one transaction, the table made first where it is missing.
// Throws DbError.
void write(Connection &connection, int student, const QString &name, const QString &value);

} // namespace preferences
