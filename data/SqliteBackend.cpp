#include "data/SqliteBackend.h"

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqlName.h"
#include "data/SqlStatement.h"

#include <QFile>

#include <iterator>

#include <sqlite3.h>

namespace {

constexpr int defaultBusyTimeoutMs = 5000;

int busyTimeoutMs = defaultBusyTimeoutMs;

std::function<void()> &busyWaitHook()
{
    static std::function<void()> hook;
    return hook;
}

// The hook runs inside a statement that waits; SQLite must not be entered again from there
// (a window repainted by the hook may ask a cursor for values).
bool hookRunning = false;

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
        hookRunning = true;
        // No exception may cross SQLite's C frames; a sign that failed only goes unseen.
        try {
            busyWaitHook()();
        } catch (...) {
        }
        hookRunning = false;
    }
    sqlite3_sleep(delay);
    return 1;
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

class SqliteRows : public ResultRows
{
public:
    SqliteRows(sqlite3 *db, const QString &sql, const QVariantList &values, const QString &file)
        : m_statement(db, sql, file)
    {
        for (int i = 0; i < values.size(); ++i)
            m_statement.bind(i + 1, values.at(i));
    }
    bool next() override { return m_statement.step(); }
    int columnCount() const override { return m_statement.columnCount(); }
    QVariant value(int column) const override { return m_statement.value(column); }
    qint64 int64(int column) const override { return m_statement.int64(column); }
    QString text(int column) const override { return m_statement.text(column); }
    bool isNull(int column) const override { return m_statement.isNull(column); }

private:
    SqlStatement m_statement;
};

} // namespace

SqliteBackend::SqliteBackend(const QString &file) : m_file(file) {}

SqliteBackend::~SqliteBackend()
{
    close();
}

void SqliteBackend::open()
{
    if (m_handle)
        return;
    Connection::checkDatabaseFile(m_file);

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
}

void SqliteBackend::close()
{
    if (!m_handle)
        return;
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

std::unique_ptr<ResultRows> SqliteBackend::query(const QString &sql, const QVariantList &values)
{
    return std::make_unique<SqliteRows>(m_handle, sql, values, m_file);
}

qint64 SqliteBackend::execute(const QString &sql, const QVariantList &values)
{
    SqliteRows rows(m_handle, sql, values, m_file);
    while (rows.next()) {
    }
    return sqlite3_changes64(m_handle);
}

qint64 SqliteBackend::insert(const QString &sql, const QVariantList &values, const QString &)
{
    execute(sql, values);
    return sqlite3_last_insert_rowid(m_handle);
}

bool SqliteBackend::inTransaction()
{
    return m_handle && !sqlite3_get_autocommit(m_handle);
}

void SqliteBackend::begin()
{
    exec("BEGIN IMMEDIATE");
}

void SqliteBackend::commit()
{
    exec("COMMIT");
}

void SqliteBackend::rollback()
{
    if (inTransaction())
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
}

QString SqliteBackend::tableName(const QString &table)
{
    // SQLite finds a table whatever the case of its name.
    return sql::quotedName(table);
}

QList<TableColumn> SqliteBackend::columns(const QString &table)
{
    QList<TableColumn> columns;
    SqlStatement st(m_handle, QStringLiteral("SELECT name, type FROM pragma_table_info(?)"), m_file);
    st.bindText(1, table);
    while (st.step())
        columns.append({st.text(0), st.text(1)});
    if (columns.isEmpty())
        throw DbError::tableMissing(table);
    return columns;
}

QStringList SqliteBackend::indexTerms(const QString &table, const QString &index)
{
    bool found = false;
    {
        SqlStatement list(m_handle, QStringLiteral("SELECT name FROM pragma_index_list(?)"), m_file);
        list.bindText(1, table);
        while (!found && list.step())
            found = list.text(0).compare(index, Qt::CaseInsensitive) == 0;
    }
    if (!found)
        throw DbError::indexMissing(table, index);
    QStringList terms;
    SqlStatement info(
        m_handle, QStringLiteral("SELECT name, coll, \"desc\" FROM pragma_index_xinfo(?) WHERE key = 1 ORDER BY seqno"),
        m_file);
    info.bindText(1, index);
    while (info.step()) {
        if (info.isNull(0))
            throw DbError::indexMissing(table, index);
        QString term = sql::quotedName(info.text(0)) + QStringLiteral(" COLLATE ") + sql::quotedName(info.text(1));
        if (info.int64(2))
            term += QStringLiteral(" DESC");
        terms.append(term);
    }
    if (terms.isEmpty())
        throw DbError::indexMissing(table, index);
    return terms;
}

QString SqliteBackend::matchCondition(const QString &column, int flags) const
{
    return QStringLiteral("textbook_match(%1, ?, %2)").arg(column).arg(flags);
}

std::optional<ChangeStamp> SqliteBackend::stamp(qint64 otherChanges, qint64 tableChanges)
{
    SqlStatement st(m_handle,
                    QStringLiteral("SELECT d.data_version, s.schema_version "
                                   "FROM pragma_data_version AS d, pragma_schema_version AS s"),
                    m_file);
    st.step();
    return ChangeStamp{m_handle, st.int64(0), st.int64(1), otherChanges, tableChanges};
}

qint64 SqliteBackend::totalChanges()
{
    return m_handle ? sqlite3_total_changes64(m_handle) : 0;
}

void SqliteBackend::exec(const char *sql)
{
    const int rc = sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw SqlStatement::error(m_handle, rc, m_file);
}

void SqliteBackend::setBusyWaitHook(std::function<void()> hook)
{
    busyWaitHook() = std::move(hook);
}

void SqliteBackend::setBusyTimeout(int milliseconds)
{
    busyTimeoutMs = milliseconds > 0 ? milliseconds : defaultBusyTimeoutMs;
}

int SqliteBackend::busyTimeout()
{
    return busyTimeoutMs;
}

bool SqliteBackend::busyHookRunning()
{
    return hookRunning;
}

void SqliteBackend::executeScript(const QString &sql)
{
    exec(sql.toUtf8().constData());
}
