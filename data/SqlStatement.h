#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

class DbError;

// A prepared SQLite statement that lives for one use. Statements are never kept between calls:
// a statement left unfinished would hold a read lock and keep other programs from writing.
class SqlStatement
{
public:
    // file names the database in error messages.
    SqlStatement(sqlite3 *db, const QString &sql, const QString &file);
    ~SqlStatement();
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    // Positions count from 1, as in SQLite.
    void bind(int position, const QVariant &value);
    void bindText(int position, const QString &text);
    void bindInt64(int position, qint64 value);

    // true while a row is there; throws DbError on failure.
    bool step();
    void reset();
    // Runs a statement that returns no rows.
    void exec();

    int columnCount() const;
    QVariant value(int column) const; // NULL reads as an invalid QVariant
    qint64 int64(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;

    // The DbError that a failed SQLite call with result code rc stands for.
    static DbError error(sqlite3 *db, int rc, const QString &file);

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_file;
};
