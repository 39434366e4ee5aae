#include "tests/support/RawSql.h"

#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace {

sqlite3 *openRaw(const QString &file)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open the test database " + file.toStdString());
    }
    sqlite3_busy_timeout(db, 5000);
    // Setting up test data need not wait for the disk.
    sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    return db;
}

} // namespace

namespace rawsql {

void exec(const QString &file, const QString &sql)
{
    sqlite3 *db = openRaw(file);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(sql.toStdString() + ": " + message);
}

QVariant scalar(const QString &file, const QString &sql, const QVariantList &values)
{
    sqlite3 *db = openRaw(file);
    sqlite3_stmt *stmt = nullptr;
    QVariant result;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error(sql.toStdString() + ": " + message);
    }
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
        else
            sqlite3_bind_text(stmt, i + 1, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        if (sqlite3_column_type(stmt, 0) == SQLITE_INTEGER)
            result = qlonglong(sqlite3_column_int64(stmt, 0));
        else if (sqlite3_column_type(stmt, 0) != SQLITE_NULL)
            result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

} // namespace rawsql
