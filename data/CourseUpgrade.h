#pragma once

#include <QDate>
#include <QString>

// Brings a record (a student's or a class's Data.mdb) up to the installed course, the Data.mdb
// beside the program, which is only read. Nothing happens when both name the same course (their
// CourseVersion rows are equal), when the installed file names none, or when both paths are one
// file. Otherwise the record is first copied to "Data.mdb.bak-<date>" beside it and then, in one
// transaction:
//  - the course's tables are replaced by the installed ones, schema and rows. Chapters keep the
//    ID that Result refers to: a chapter is matched by its Caption, a new one gets an ID that no
//    grade uses, and a chapter the new course drops stays while grades refer to it;
//  - System gains the settings it lacks and keeps the values it has;
//  - a table the record lacks is made from the installed one; every other table stays as it is.
// Throws DbError with a Russian message on failure; the record is then as it was and no backup
// is left. Returns the backup's path, or an empty text when nothing was changed.
QString upgradeCourse(const QString &record, const QString &installed, const QDate &today);
