#pragma once

#include <QString>

#include <stdexcept>

// The one error type of the data layer. what() is UTF-8; message() is the text shown to the user.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message);
    QString message() const;
    // The file was busy (another program writing), or the server undid the transaction because
    // of another one: the operation may be tried again at once.
    bool isBusy() const { return m_busy; }
    // The server or the network went away: the next action connects again.
    bool isConnectionLost() const { return m_lost; }
    // The server did not accept the name or the password it was given.
    bool isLoginRefused() const { return m_loginRefused; }

    // The texts of the usual failures, so every place that meets one says it the same way.
    static DbError fileMissing(const QString &path);
    static DbError fileGone(const QString &path); // deleted or moved while the program had it open
    static DbError fileEmpty(const QString &path);
    static DbError fileUnreadable(const QString &path);
    static DbError notSqlite(const QString &path);
    static DbError accessFile(const QString &path);
    static DbError tableMissing(const QString &table);
    static DbError columnMissing(const QString &table, const QString &column);
    static DbError indexMissing(const QString &table, const QString &index);
    static DbError writeRefused(const QString &path);
    static DbError busy(const QString &path);
    static DbError notInteger(const QString &text); // "'<text>' is not a valid integer value"
    static DbError cursorClosed(const QString &table);
    static DbError notEditing(const QString &table);
    static DbError studentMissing();

    // The server's failures; host as PgBackend::hostOf gives it.
    static DbError serverUnreachable(const QString &host);
    static DbError serverLibraryMissing(const QString &host);
    static DbError serverLoginRefused(const QString &host);
    static DbError serverDatabaseMissing(const QString &host);
    static DbError serverNotPrepared(const QString &host);
    static DbError schemaMismatch(const QString &host, int server, int program);
    static DbError connectionLost(const QString &host);
    static DbError serverConflict(const QString &host);
    static DbError serverRefused(const QString &host);

private:
    bool m_busy = false;
    bool m_lost = false;
    bool m_loginRefused = false;
};
