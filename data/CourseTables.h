#pragma once

// What a course brings into Data.mdb, shared by the database builder and the course upgrade.
// Plain C++: the builder links neither Qt nor the data layer.

namespace course {

// The tables that belong to the course. A record takes them over whole from a newer course;
// every other table (Users, Result, ...) belongs to the record's users. System is shared: the
// course adds its settings, a record keeps the values it has.
inline constexpr const char *tables[] = {"Glaves", "Test1", "Test2",   "Test3",        "Test4",
                                         "Test5",  "Test6", "present", "QuestionPlace"};

// The System row that names the course a file holds: a digest of the course tables and of the
// settings the course brings, written by the database builder. Equal values, same course.
inline constexpr const char *versionKey = "CourseVersion";

} // namespace course
