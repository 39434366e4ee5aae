#pragma once

#include <QString>
#include <QTemporaryDir>

struct sqlite3;

// A throw-away copy of the runnable folder (Data.mdb, Glaves/, Present/) for one test case.
// It becomes the current directory while it lives; the previous one is restored afterwards.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;

    // Folder path with a trailing '/'.
    QString path() const;
    QString databaseFile() const;

    // Runs SQL statements (separated by ';' at line ends) on the copied Data.mdb, through a
    // connection of its own, so a test can shape the data before the program opens it.
    void exec(const QString &sql) const;
    // First column of the first row of a query, or an invalid QVariant.
    QVariant scalar(const QString &sql) const;

private:
    QTemporaryDir m_dir;
    QString m_previousCwd;
};

// Another program holding a database file in the middle of a write, until released: this
// program can then not write to it, nor read it either when readers are kept out too.
class FileHolder
{
public:
    FileHolder(const QString &file, bool readersToo);
    ~FileHolder();
    FileHolder(const FileHolder &) = delete;
    FileHolder &operator=(const FileHolder &) = delete;

    void release();

private:
    sqlite3 *m_db = nullptr;
};
