#pragma once

// A fresh Data.mdb built from the program's schema in a temporary folder, independent of the
// demo content, plus direct SQL access that bypasses the data layer.

#include "tests/support/RawSql.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <stdexcept>

class DataFixture
{
public:
    DataFixture()
    {
        if (!m_dir.isValid())
            throw std::runtime_error("cannot create a temporary folder");
        QFile schema(QStringLiteral(TEXTBOOK_SCHEMA_SQL));
        if (!schema.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " TEXTBOOK_SCHEMA_SQL);
        exec(QStringLiteral("BEGIN;") + QString::fromUtf8(schema.readAll()) + QStringLiteral(";COMMIT;"));
    }

    // Folder with a trailing '/'.
    QString folder() const { return m_dir.path() + u'/'; }
    QString file() const { return folder() + QStringLiteral("Data.mdb"); }

    // Runs SQL (several statements allowed) through a connection of its own.
    void exec(const QString &sql) const { rawsql::exec(file(), sql); }
    // First column of the first row, or an invalid QVariant.
    QVariant scalar(const QString &sql) const { return rawsql::scalar(file(), sql); }

private:
    QTemporaryDir m_dir;
};
