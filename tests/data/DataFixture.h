#pragma once

// A fresh Data.mdb built from the program's schema in a temporary folder, independent of the
// demo content, plus direct SQL access that bypasses the data layer.

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <sqlite3.h>

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
    void exec(const QString &sql) const
    {
        sqlite3 *db = openRaw();
        char *error = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        if (rc != SQLITE_OK)
            throw std::runtime_error(message);
    }

    // First column of the first row, or an invalid QVariant.
    QVariant scalar(const QString &sql) const
    {
        sqlite3 *db = openRaw();
        sqlite3_stmt *stmt = nullptr;
        QVariant result;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            if (sqlite3_column_type(stmt, 0) == SQLITE_INTEGER)
                result = qlonglong(sqlite3_column_int64(stmt, 0));
            else if (sqlite3_column_type(stmt, 0) != SQLITE_NULL)
                result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return result;
    }

    sqlite3 *openRaw() const
    {
        sqlite3 *db = nullptr;
        if (sqlite3_open(file().toUtf8().constData(), &db) != SQLITE_OK) {
            sqlite3_close(db);
            throw std::runtime_error("cannot open the test database");
        }
        sqlite3_busy_timeout(db, 5000);
        // Setting up test data need not wait for the disk.
        sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
        return db;
    }

private:
    QTemporaryDir m_dir;
};
