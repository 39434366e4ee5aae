#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// SQL on a database file through a connection of its own, bypassing the data layer, as another
// program would: tests shape data with it before the program opens the file, and read back what
// the program stored. Failures throw std::runtime_error.
namespace rawsql {

// Runs SQL (several statements allowed, no values).
void exec(const QString &file, const QString &sql);
// First column of the first row, with values bound in order; an invalid QVariant if no row.
QVariant scalar(const QString &file, const QString &sql, const QVariantList &values = {});

} // namespace rawsql
