#include "tests/support/TestFolder.h"

#include "tests/support/RawSql.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace {

QString sourceFolder()
{
    const QByteArray dir = qgetenv("TEXTBOOK_DIR");
    if (dir.isEmpty())
        throw std::runtime_error("TEXTBOOK_DIR is not set");
    return QString::fromLocal8Bit(dir);
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        if (it.fileInfo().isDir())
            QDir().mkpath(to + u'/' + rel);
        else
            QFile::copy(src, to + u'/' + rel);
    }
}

} // namespace

TestFolder::TestFolder() : m_previousCwd(QDir::currentPath())
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    const QString src = sourceFolder();
    QFile::copy(src + QStringLiteral("/Data.mdb"), databaseFile());
    QFile(databaseFile()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    copyTree(src + QStringLiteral("/Glaves"), path() + QStringLiteral("Glaves"));
    copyTree(src + QStringLiteral("/Present"), path() + QStringLiteral("Present"));
    QDir::setCurrent(m_dir.path());
}

TestFolder::~TestFolder()
{
    QDir::setCurrent(m_previousCwd);
}

QString TestFolder::path() const
{
    return m_dir.path() + u'/';
}

QString TestFolder::databaseFile() const
{
    return path() + QStringLiteral("Data.mdb");
}

void TestFolder::exec(const QString &sql) const
{
    rawsql::exec(databaseFile(), sql);
}

QVariant TestFolder::scalar(const QString &sql) const
{
    return rawsql::scalar(databaseFile(), sql);
}

FileHolder::FileHolder(const QString &file, bool readersToo)
{
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(m_db, readersToo ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
        release();
        throw std::runtime_error("cannot hold " + file.toStdString());
    }
}

FileHolder::~FileHolder()
{
    release();
}

void FileHolder::release()
{
    if (!m_db)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
    m_db = nullptr;
}
