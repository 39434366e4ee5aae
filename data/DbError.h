#pragma once

#include <QString>

#include <stdexcept>

// The one error type of the data layer. what() is UTF-8; message() is the text shown to the user.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString &message);
    QString message() const;
    // The file was busy (another program writing): the operation may be tried again.
    bool isBusy() const { return m_busy; }

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

private:
    bool m_busy = false;
};
