#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

struct sqlite3;
class Backend;
class ResultRows;

// A connection to the program's database: a Data.mdb file (SQLite, the default) or a PostgreSQL
// server named by a libpq connection string. Opening a file never creates a database: a missing
// file, a file that is not SQLite (an Access/Jet .mdb says it must be converted) and an
// unreadable file raise DbError with a clear Russian message; so does a server that cannot be
// reached or whose course database has another version than the program's.
// Several connections may hold the same file at once (busy timeout, WAL is not required).
class Connection : public QObject
{
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    // The same file again does nothing, open or not. Another file (or a server) while open
    // throws DbError.
    void setDatabaseFile(const QString &path);
    QString databaseFile() const;
    // A server instead of a file; connectionString is what libpq takes ("host=... dbname=..." or
    // "service=..."). The same rules as for a file apply.
    void setServer(const QString &connectionString);
    QString server() const;
    bool isServer() const { return !m_server.isEmpty(); }
    // The course database version the server must report (0: not checked, for raw databases).
    void setExpectedSchemaVersion(int version) { m_schemaVersion = version; }
    // The file's path or the server's name, as messages name the database.
    QString place() const;

    void open();
    void close();
    bool isOpen() const;

    // The engine behind the connection; opens on first use.
    Backend &backend();
    // The SQLite handle of a file connection; opens on first use. Throws on a server.
    sqlite3 *handle();
    // Runs one statement that returns no rows, with its values bound in order ('?'); opens on
    // first use. Returns the number of rows it changed.
    qint64 execute(const QString &sql, const QVariantList &values = {});
    // Runs one statement and returns its rows.
    std::unique_ptr<ResultRows> query(const QString &sql, const QVariantList &values = {});

    // Runs fn inside one transaction (BEGIN IMMEDIATE ... COMMIT on a file), retrying while the
    // file is busy or the server reports a conflict with another transaction; rolls back and
    // rethrows on failure.
    void inTransaction(const std::function<void()> &fn);

    // Whether a write would reach the database now, without changing it: runs one statement in a
    // transaction that is always rolled back and returns the rows it changed. Fails as the real
    // write would: read-only file or folder, full disk, missing table, file busy.
    int probeWrite(const QString &sql, const QVariantList &values);

    // Told when a statement begins to wait for a file that another program holds, once per
    // wait, so the user can be shown that the program is waiting. It runs inside the database
    // call and must not use the database.
    static void setBusyWaitHook(std::function<void()> hook);
    // How long one statement waits for a busy file before it fails (5 s).
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();

    // Rows changed through the cursors, counted per table, so a cursor can tell whether its own
    // table changed since it read its rows. Noted are single rows changed by a statement that
    // changed nothing else; the counts start again whenever the connection opens.
    void noteRowChanged(const QString &table);
    qint64 rowChangesOf(const QString &table) const;
    // Rows changed through this connection that were not noted.
    qint64 otherRowChanges() const;

    // Throws DbError unless path names an existing, non-empty SQLite file. Used before opening,
    // because SQLite would quietly create or accept an empty file.
    static void checkDatabaseFile(const QString &path);

Q_SIGNALS:
    void opened();
    void aboutToClose();

private:
    void requireClosedFor(const QString &file, const QString &server) const;

    QString m_file;
    QString m_server;
    int m_schemaVersion = 0;
    bool m_open = false;
    std::unique_ptr<Backend> m_backend;
    QHash<QString, qint64> m_notedChanges;
    qint64 m_notedTotal = 0;
};
