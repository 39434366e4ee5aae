#include "TestFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

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

template <typename Fn> void withDatabase(const QString &file, Fn fn)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        fn(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
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
    withDatabase(databaseFile(), [&](QSqlDatabase &db) {
        const QStringList statements = sql.split(QStringLiteral(";\n"), Qt::SkipEmptyParts);
        for (QString statement : statements) {
            statement = statement.trimmed();
            if (statement.endsWith(u';'))
                statement.chop(1);
            if (statement.isEmpty())
                continue;
            QSqlQuery q(db);
            if (!q.exec(statement))
                throw std::runtime_error((statement + QStringLiteral(": ") + q.lastError().text()).toStdString());
        }
    });
}

QVariant TestFolder::scalar(const QString &sql) const
{
    QVariant result;
    withDatabase(databaseFile(), [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (q.exec(sql) && q.next())
            result = q.value(0);
    });
    return result;
}

FileHolder::FileHolder(const QString &file, bool readersToo) : m_name(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    QSqlQuery q(db);
    if (!db.open() || !q.exec(readersToo ? QStringLiteral("BEGIN EXCLUSIVE") : QStringLiteral("BEGIN IMMEDIATE")))
        throw std::runtime_error("cannot hold " + file.toStdString());
}

FileHolder::~FileHolder()
{
    release();
}

void FileHolder::release()
{
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}
