#include "data/Connection.h"

#include "data/Backend.h"
#include "data/DbError.h"
#include "data/PgBackend.h"
#include "data/SqliteBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int transactionAttempts = 3;

QString normalized(const QString &path)
{
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

Connection::Connection(QObject *parent) : QObject(parent) {}

Connection::~Connection()
{
    close();
}

void Connection::requireClosedFor(const QString &file, const QString &server) const
{
    if (file == m_file && server == m_server)
        return;
    if (m_open)
        throw DbError(QStringLiteral("Нельзя сменить базу данных у открытого соединения: открыта %1, задана %2.")
                          .arg(place(), file.isEmpty() ? PgBackend::hostOf(server) : file));
}

void Connection::setDatabaseFile(const QString &path)
{
    const QString file = normalized(path);
    requireClosedFor(file, {});
    m_file = file;
    m_server.clear();
}

QString Connection::databaseFile() const
{
    return m_file;
}

void Connection::setServer(const QString &connectionString)
{
    requireClosedFor({}, connectionString);
    m_server = connectionString;
    m_file.clear();
}

QString Connection::server() const
{
    return m_server;
}

QString Connection::place() const
{
    return isServer() ? PgBackend::hostOf(m_server) : m_file;
}

void Connection::checkDatabaseFile(const QString &path)
{
    if (path.isEmpty())
        throw DbError(QStringLiteral("Файл базы данных не задан."));
    const QFileInfo info(path);
    if (!info.exists())
        throw DbError::fileMissing(path);
    if (!info.isFile())
        throw DbError::notSqlite(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError::fileUnreadable(path);
    const QByteArray head = file.read(100);
    if (head.isEmpty())
        throw DbError::fileEmpty(path);
    if (head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return;
    const QByteArray engine = head.mid(4, 15);
    if (engine == "Standard Jet DB" || engine == "Standard ACE DB")
        throw DbError::accessFile(path);
    throw DbError::notSqlite(path);
}

void Connection::open()
{
    if (SqliteBackend::busyHookRunning())
        throw DbError::busy(place());
    if (m_open)
        return;
    std::unique_ptr<Backend> backend;
    if (isServer())
        backend = std::make_unique<PgBackend>(m_server, m_schemaVersion);
    else
        backend = std::make_unique<SqliteBackend>(m_file);
    backend->open();
    m_backend = std::move(backend);
    m_notedChanges.clear();
    m_notedTotal = 0;
    m_open = true;
    Q_EMIT opened();
}

void Connection::close()
{
    if (!m_open)
        return;
    // The cursors close first and let go of their statements.
    Q_EMIT aboutToClose();
    m_open = false;
    m_backend.reset();
}

bool Connection::isOpen() const
{
    return m_open;
}

Backend &Connection::backend()
{
    open();
    return *m_backend;
}

sqlite3 *Connection::handle()
{
    open();
    auto *sqlite = dynamic_cast<SqliteBackend *>(m_backend.get());
    if (!sqlite)
        throw DbError(
            QStringLiteral("Действие возможно только с файлом базы данных, а программа работает с сервером."));
    return sqlite->handle();
}

qint64 Connection::execute(const QString &sql, const QVariantList &values)
{
    return backend().execute(sql, values);
}

std::unique_ptr<ResultRows> Connection::query(const QString &sql, const QVariantList &values)
{
    return backend().query(sql, values);
}

void Connection::noteRowChanged(const QString &table)
{
    // Both engines find a table whatever the case of its name.
    ++m_notedChanges[table.toLower()];
    ++m_notedTotal;
}

qint64 Connection::rowChangesOf(const QString &table) const
{
    return m_notedChanges.value(table.toLower());
}

qint64 Connection::otherRowChanges() const
{
    if (!m_backend)
        return 0;
    const qint64 total = m_backend->totalChanges();
    return total < 0 ? -1 : total - m_notedTotal;
}

void Connection::inTransaction(const std::function<void()> &fn)
{
    Backend &engine = backend();
    // Already inside one: the outer transaction commits.
    if (engine.inTransaction()) {
        fn();
        return;
    }
    for (int attempt = 1;; ++attempt) {
        try {
            engine.begin();
            try {
                fn();
                engine.commit();
            } catch (...) {
                engine.rollback();
                throw;
            }
            return;
        } catch (const DbError &error) {
            // The busy timeout has already waited, or the server undid the transaction because of
            // another one: try the whole transaction again a few times.
            if (!error.isBusy() || attempt >= transactionAttempts)
                throw;
        }
    }
}

int Connection::probeWrite(const QString &sql, const QVariantList &values)
{
    Backend &engine = backend();
    if (engine.inTransaction())
        throw DbError(QStringLiteral("Проверка записи в %1 внутри начатой транзакции невозможна.").arg(place()));
    engine.begin();
    try {
        const qint64 changed = engine.execute(sql, values);
        engine.rollback();
        return int(changed);
    } catch (...) {
        engine.rollback();
        throw;
    }
}

void Connection::setBusyWaitHook(std::function<void()> hook)
{
    SqliteBackend::setBusyWaitHook(std::move(hook));
}

void Connection::setBusyTimeout(int milliseconds)
{
    SqliteBackend::setBusyTimeout(milliseconds);
}

int Connection::busyTimeout()
{
    return SqliteBackend::busyTimeout();
}
