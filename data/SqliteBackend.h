#pragma once

#include "data/Backend.h"

#include <functional>

struct sqlite3;

// Data.mdb through the SQLite library. Opening never creates a database: a missing file, a file
// that is not SQLite and an unreadable file raise DbError with a clear Russian message.
class SqliteBackend : public Backend
{
public:
    explicit SqliteBackend(const QString &file);
    ~SqliteBackend() override;

    QString place() const override { return m_file; }
    void open() override;
    void close() override;

    std::unique_ptr<ResultRows> query(const QString &sql, const QVariantList &values = {}) override;
    qint64 execute(const QString &sql, const QVariantList &values = {}) override;
    void executeScript(const QString &sql) override;
    qint64 insert(const QString &sql, const QVariantList &values, const QString &keyColumn) override;

    bool inTransaction() override;
    void begin() override;
    void commit() override;
    void rollback() override;

    QString tableName(const QString &table) override;
    QList<TableColumn> columns(const QString &table) override;
    QString rowKey(const QString &) override { return QStringLiteral("rowid"); }
    QStringList indexTerms(const QString &table, const QString &index) override;

    QString matchCondition(const QString &column, int flags) const override;
    QString unindexed(const QString &column) const override { return u'+' + column; }
    bool comparesRows() const override { return true; }

    std::optional<ChangeStamp> stamp(qint64 otherChanges, qint64 tableChanges) override;
    qint64 totalChanges() override;

    sqlite3 *handle() const { return m_handle; }

    // Told when a statement begins to wait for a file that another program holds; see Connection.
    static void setBusyWaitHook(std::function<void()> hook);
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();
    // True while the hook runs: the database must not be entered from there.
    static bool busyHookRunning();

private:
    void exec(const char *sql);

    QString m_file;
    sqlite3 *m_handle = nullptr;
};
