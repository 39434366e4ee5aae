#include "data/Connection.h"

#include "data/DbError.h"
#include "data/SqlStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <iterator>

#include <sqlite3.h>

namespace {

constexpr int defaultBusyTimeoutMs = 5000;
constexpr int transactionAttempts = 3;

int busyTimeoutMs = defaultBusyTimeoutMs;

std::function<void()> &busyWaitHook()
{
    static std::function<void()> hook;
    return hook;
}

// The hook runs inside a statement that waits; SQLite must not be entered again from there
// (a window repainted by the hook may ask a cursor for values).
bool busyHookRunning = false;

// SQLite's own busy wait (short pauses first, then longer ones, up to the timeout), which also
// tells the hook when a wait begins.
int waitWhileBusy(void *, int count)
{
    static constexpr int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    static constexpr int totals[] = {0, 1, 3, 8, 18, 33, 53, 78, 103, 128, 178, 228};
    constexpr int steps = int(std::size(delays));
    int delay = 0;
    int prior = 0;
    if (count < steps) {
        delay = delays[count];
        prior = totals[count];
    } else {
        delay = delays[steps - 1];
        prior = totals[steps - 1] + delay * (count - (steps - 1));
    }
    if (prior + delay > busyTimeoutMs) {
        delay = busyTimeoutMs - prior;
        if (delay <= 0)
            return 0;
    }
    if (count == 0 && busyWaitHook()) {
        busyHookRunning = true;
        // No exception may cross SQLite's C frames; a sign that failed only goes unseen.
        try {
            busyWaitHook()();
        } catch (...) {
        }
        busyHookRunning = false;
    }
    sqlite3_sleep(delay);
    return 1;
}

QString normalized(const QString &path)
{
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// textbook_match(value, key, flags): the comparison of a locate with options, done with Qt's
// case folding, which knows Cyrillic (SQLite's own LIKE folds ASCII letters only).
// flags: 1 case-insensitive, 2 the value only has to begin with the key.
void matchFunction(sqlite3_context *context, int, sqlite3_value **args)
{
    const auto text = [](sqlite3_value *v) {
        const auto *data = sqlite3_value_text(v);
        return data ? QString::fromUtf8(reinterpret_cast<const char *>(data), sqlite3_value_bytes(v)) : QString();
    };
    const QString value = text(args[0]);
    const QString key = text(args[1]);
    const int flags = sqlite3_value_int(args[2]);
    const Qt::CaseSensitivity cs = (flags & 1) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool match = (flags & 2) ? value.startsWith(key, cs) : value.compare(key, cs) == 0;
    sqlite3_result_int(context, match ? 1 : 0);
}

} // namespace

Connection::Connection(QObject *parent) : QObject(parent) {}

Connection::~Connection()
{
    close();
}

void Connection::setDatabaseFile(const QString &path)
{
    const QString file = normalized(path);
    if (file == m_file)
        return;
    if (m_open)
        throw DbError(QStringLiteral("Нельзя сменить файл базы данных у открытого соединения: открыт %1, задан %2.")
                          .arg(m_file, file));
    m_file = file;
}

QString Connection::databaseFile() const
{
    return m_file;
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
    if (busyHookRunning)
        throw DbError::busy(m_file);
    if (m_open)
        return;
    checkDatabaseFile(m_file);

    // READWRITE without CREATE: SQLite may open the file but never make one, even if it vanished
    // since the check.
    sqlite3 *handle = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error = SqlStatement::error(handle, rc, m_file);
        sqlite3_close_v2(handle);
        throw error;
    }
    m_handle = handle;
    sqlite3_extended_result_codes(m_handle, 1);

    try {
        const int busyRc = sqlite3_busy_handler(m_handle, &waitWhileBusy, nullptr);
        if (busyRc != SQLITE_OK)
            throw SqlStatement::error(m_handle, busyRc, m_file);
        // A posted row must be on disk when post returns: rollback journal, full sync.
        exec("PRAGMA synchronous = FULL");
        const int created = sqlite3_create_function_v2(m_handle, "textbook_match", 3,
                                                       SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                                       &matchFunction, nullptr, nullptr, nullptr);
        if (created != SQLITE_OK)
            throw SqlStatement::error(m_handle, created, m_file);
        // Reading the schema proves the file is a database and not only its first bytes.
        SqlStatement probe(m_handle, QStringLiteral("SELECT count(*) FROM sqlite_master"), m_file);
        probe.step();
    } catch (...) {
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
        throw;
    }
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
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

bool Connection::isOpen() const
{
    return m_open;
}

sqlite3 *Connection::handle()
{
    open();
    return m_handle;
}

void Connection::execute(const QString &sql, const QVariantList &values)
{
    SqlStatement st(handle(), sql, m_file);
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values.at(i));
    st.exec();
}

void Connection::noteRowChanged(const QString &table)
{
    // SQLite folds the case of table names.
    ++m_notedChanges[table.toLower()];
    ++m_notedTotal;
}

qint64 Connection::rowChangesOf(const QString &table) const
{
    return m_notedChanges.value(table.toLower());
}

qint64 Connection::otherRowChanges() const
{
    return m_handle ? sqlite3_total_changes64(m_handle) - m_notedTotal : 0;
}

void Connection::exec(const char *sql)
{
    const int rc = sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw SqlStatement::error(m_handle, rc, m_file);
}

void Connection::inTransaction(const std::function<void()> &fn)
{
    open();
    // Already inside one: the outer transaction commits.
    if (!sqlite3_get_autocommit(m_handle)) {
        fn();
        return;
    }
    for (int attempt = 1;; ++attempt) {
        try {
            exec("BEGIN IMMEDIATE");
            try {
                fn();
                exec("COMMIT");
            } catch (...) {
                if (!sqlite3_get_autocommit(m_handle))
                    sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
            return;
        } catch (const DbError &error) {
            // The busy timeout has already waited; try the whole transaction again a few times.
            if (!error.isBusy() || attempt >= transactionAttempts)
                throw;
        }
    }
}

int Connection::probeWrite(const QString &sql, const QVariantList &values)
{
    open();
    if (!sqlite3_get_autocommit(m_handle))
        throw DbError(QStringLiteral("Проверка записи в %1 внутри начатой транзакции невозможна.").arg(m_file));
    exec("BEGIN IMMEDIATE");
    try {
        SqlStatement st(m_handle, sql, m_file);
        for (int i = 0; i < values.size(); ++i)
            st.bind(i + 1, values.at(i));
        st.exec();
        const int changed = sqlite3_changes(m_handle);
        exec("ROLLBACK");
        return changed;
    } catch (...) {
        if (!sqlite3_get_autocommit(m_handle))
            sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Connection::setBusyWaitHook(std::function<void()> hook)
{
    busyWaitHook() = std::move(hook);
}

void Connection::setBusyTimeout(int milliseconds)
{
    busyTimeoutMs = milliseconds > 0 ? milliseconds : defaultBusyTimeoutMs;
}

int Connection::busyTimeout()
{
    return busyTimeoutMs;
}
