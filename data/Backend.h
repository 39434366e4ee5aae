#pragma once

// The seam between the data layer and a database engine: what the cursors and the data module
// need of one, and nothing the windows see. SQL given here uses '?' for bound values and quotes
// names with '"'; each engine turns it into its own.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <optional>

// A column as the engine declares it; type is the declared type text, e.g. "TEXT(50)" or
// "character varying(50)".
struct TableColumn
{
    QString name;
    QString type;
};

// The state of the engine's data that a cursor's rows were read in. Equal stamps mean the
// cursor's table is as it was (see TableCursor). Only an engine that can tell cheaply has one.
struct ChangeStamp
{
    const void *handle = nullptr;
    qint64 dataVersion = -1;
    qint64 schemaVersion = -1;
    qint64 otherChanges = -1;
    qint64 tableChanges = -1;

    bool operator==(const ChangeStamp &) const = default;
};

// The rows of one statement, read forward once. Valid while its backend is open.
class ResultRows
{
public:
    virtual ~ResultRows() = default;
    // Moves to the next row; false after the last.
    virtual bool next() = 0;
    virtual int columnCount() const = 0;
    virtual QVariant value(int column) const = 0; // NULL reads as an invalid QVariant
    virtual qint64 int64(int column) const { return value(column).toLongLong(); }
    virtual QString text(int column) const { return value(column).toString(); }
    virtual bool isNull(int column) const { return value(column).isNull(); }
};

class Backend
{
public:
    virtual ~Backend() = default;

    // What the user is told the database is: a file's path or a server's name.
    virtual QString place() const = 0;

    virtual void open() = 0;
    virtual void close() = 0;

    virtual std::unique_ptr<ResultRows> query(const QString &sql, const QVariantList &values = {}) = 0;
    // A statement without rows; returns the number of rows it changed.
    virtual qint64 execute(const QString &sql, const QVariantList &values = {}) = 0;
    // Several statements without bound values, as a script holds them.
    virtual void executeScript(const QString &sql) = 0;
    // An INSERT; returns the new row's key (keyColumn on engines that do not keep one of their own).
    virtual qint64 insert(const QString &sql, const QVariantList &values, const QString &keyColumn) = 0;

    virtual bool inTransaction() = 0;
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0; // never throws

    // The table's name as statements must spell it, its columns in order, its stable row key,
    // the ORDER BY terms of one of its indexes. Each throws DbError when the table (or the index)
    // is missing.
    virtual QString tableName(const QString &table) = 0;
    virtual QList<TableColumn> columns(const QString &table) = 0;
    virtual QString rowKey(const QString &table) = 0;
    virtual QStringList indexTerms(const QString &table, const QString &index) = 0;

    // A condition that the column (quoted) matches one bound value, as a locate with options
    // compares: flags 1 letters folded, Cyrillic included; 2 the column begins with the value.
    virtual QString matchCondition(const QString &column, int flags) const = 0;
    // The column in a condition that must not be served by an index.
    virtual QString unindexed(const QString &column) const = 0;
    // Whether two rows can be compared in an index's order by the engine (see TableCursor).
    virtual bool comparesRows() const = 0;

    // The engine's cheap change stamp, if it has one.
    virtual std::optional<ChangeStamp> stamp(qint64 otherChanges, qint64 tableChanges) = 0;
    // Rows changed through this backend since it opened; -1 when the engine does not count.
    virtual qint64 totalChanges() = 0;
};
