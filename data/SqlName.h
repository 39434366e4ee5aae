#pragma once
// A table or column name as SQL writes it: in double quotes, a quote inside doubled. SQLite and
// PostgreSQL read it alike. Names come from the program and the course, never from a student.

#include <QString>

namespace sql {

inline QString quotedName(QString name)
{
    return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace sql
