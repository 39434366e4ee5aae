#include "data/PgBackend.h"

#include "data/DbError.h"
#include "data/LibPq.h"
#include "data/SqlName.h"

#include <QRegularExpression>

#include <libpq-fe.h>

#include <memory>
#include <vector>

namespace {

// Type numbers of the server's built-in types that the program reads as other than text.
constexpr Oid boolOid = 16;
constexpr Oid byteaOid = 17;
constexpr Oid int8Oid = 20;
constexpr Oid int2Oid = 21;
constexpr Oid int4Oid = 23;
constexpr Oid oidOid = 26;
constexpr Oid float4Oid = 700;
constexpr Oid float8Oid = 701;
constexpr Oid numericOid = 1700;

// '?' placeholders as the server numbers them ($1, $2, ...); quoted texts and names are kept.
QString numbered(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int n = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out;
}

void ignoreNotice(void *, const char *) {}

struct ResultDeleter
{
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

QString field(const PGresult *r, int code)
{
    const char *text = PQresultErrorField(r, code);
    return text ? QString::fromUtf8(text) : QString();
}

DbError errorOf(const PGresult *r, const QString &host)
{
    const QString state = field(r, PG_DIAG_SQLSTATE);
    const QString message = field(r, PG_DIAG_MESSAGE_PRIMARY);
    if (state.startsWith(QStringLiteral("08")) || state == u"57P01" || state == u"57P02" || state == u"57P03")
        return DbError::connectionLost(host);
    if (state == u"40001" || state == u"40P01")
        return DbError::serverConflict(host);
    // The course's own functions explain themselves in Russian.
    if (state == u"P0001" || state.startsWith(QStringLiteral("VL")))
        return DbError(message);
    if (state == u"42P01") {
        static const QRegularExpression name(QStringLiteral("\"([^\"]+)\""));
        const QRegularExpressionMatch m = name.match(message);
        return DbError::tableMissing(m.hasMatch() ? m.captured(1) : QString());
    }
    if (state == u"42703") {
        static const QRegularExpression name(QStringLiteral("\"([^\"]+)\""));
        const QRegularExpressionMatch m = name.match(message);
        return DbError(QStringLiteral("В базе данных нет поля «%1».").arg(m.hasMatch() ? m.captured(1) : QString()));
    }
    if (state == u"42501")
        return DbError::serverRefused(host);
    if (state == u"23505")
        return DbError(
            QStringLiteral("Сервер базы данных %1 отказался сохранить запись: такая запись уже есть.").arg(host));
    if (state.startsWith(QStringLiteral("23")))
        return DbError(
            QStringLiteral("Сервер базы данных %1 отказался сохранить запись: запись нарушает его ограничения.")
                .arg(host));
    if (state == u"22001")
        return DbError(
            QStringLiteral("Сервер базы данных %1 отказался сохранить запись: текст длиннее поля.").arg(host));
    if (state == u"22P02" || state == u"22003")
        return DbError(QStringLiteral("Сервер базы данных %1 не принял значение: оно не подходит полю.").arg(host));
    if (state.startsWith(QStringLiteral("53")))
        return DbError(
            QStringLiteral("Серверу базы данных %1 не хватает места или памяти. Обратитесь к администратору.")
                .arg(host));
    if (state == u"57014")
        return DbError(QStringLiteral("Действие с базой данных на сервере %1 прервано.").arg(host));
    return DbError(QStringLiteral("Ошибка сервера базы данных %1 (код ошибки %2).").arg(host, state));
}

class PgRows : public ResultRows
{
public:
    explicit PgRows(PGresult *result) : m_result(result), m_count(PQntuples(result)) {}
    bool next() override { return ++m_row < m_count; }
    int columnCount() const override { return PQnfields(m_result.get()); }

    QVariant value(int column) const override
    {
        PGresult *r = m_result.get();
        if (PQgetisnull(r, m_row, column))
            return {};
        const char *data = PQgetvalue(r, m_row, column);
        const int length = PQgetlength(r, m_row, column);
        switch (PQftype(r, column)) {
        case int2Oid:
        case int4Oid:
        case int8Oid:
        case oidOid:
            return QVariant(qlonglong(QByteArrayView(data, length).toLongLong()));
        case boolOid:
            return QVariant(data[0] == 't');
        case float4Oid:
        case float8Oid:
        case numericOid:
            return QVariant(QByteArrayView(data, length).toDouble());
        case byteaOid: {
            size_t size = 0;
            unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(data), &size);
            const QByteArray result(reinterpret_cast<const char *>(bytes), qsizetype(size));
            PQfreemem(bytes);
            return QVariant(result);
        }
        default:
            return QVariant(QString::fromUtf8(data, length));
        }
    }

    qint64 int64(int column) const override
    {
        return QByteArrayView(PQgetvalue(m_result.get(), m_row, column)).toLongLong();
    }
    QString text(int column) const override
    {
        return QString::fromUtf8(PQgetvalue(m_result.get(), m_row, column), PQgetlength(m_result.get(), m_row, column));
    }
    bool isNull(int column) const override { return PQgetisnull(m_result.get(), m_row, column); }

private:
    Result m_result;
    int m_count;
    int m_row = -1;
};

// Options that bound how long a dead server or network can hold the program, unless the
// connection string says otherwise.
QString withTimeouts(const QString &connectionString)
{
    QString result = connectionString;
    const auto add = [&](const char *name, const char *value) {
        if (!connectionString.contains(QString::fromLatin1(name)))
            result += u' ' + QString::fromLatin1(name) + u'=' + QString::fromLatin1(value);
    };
    add("connect_timeout", "10");
    add("keepalives_idle", "10");
    add("keepalives_interval", "5");
    add("keepalives_count", "3");
    add("tcp_user_timeout", "20000");
    return result.trimmed();
}

} // namespace

PgBackend::PgBackend(const QString &connectionString, int schemaVersion)
    : m_connectionString(connectionString), m_host(hostOf(connectionString)), m_schemaVersion(schemaVersion)
{}

PgBackend::~PgBackend()
{
    close();
}

QString PgBackend::hostOf(const QString &connectionString)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(connectionString.toUtf8().constData(), &error);
    PQfreemem(error);
    QString host;
    QString service;
    QString port;
    for (PQconninfoOption *o = options; o && o->keyword; ++o) {
        if (!o->val || !*o->val)
            continue;
        const QByteArrayView key(o->keyword);
        if (key == "host" || (key == "hostaddr" && host.isEmpty()))
            host = QString::fromUtf8(o->val);
        else if (key == "service")
            service = QString::fromUtf8(o->val);
        else if (key == "port")
            port = QString::fromUtf8(o->val);
    }
    PQconninfoFree(options);
    if (host.isEmpty() && !service.isEmpty())
        return QStringLiteral("«%1» (служба)").arg(service);
    if (host.isEmpty() || host.startsWith(u'/'))
        return QStringLiteral("«%1» (этот компьютер)").arg(host.isEmpty() ? QStringLiteral("localhost") : host);
    return QStringLiteral("«%1»").arg(port.isEmpty() ? host : host + u':' + port);
}

void PgBackend::connect()
{
    if (!libpq::available())
        throw DbError::serverLibraryMissing(m_host);
    PGconn *conn = PQconnectdb(withTimeouts(m_connectionString).toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString detail = QString::fromUtf8(PQerrorMessage(conn));
        PQfinish(conn);
        // A server set up in Russian says so in Russian.
        if (detail.contains(QStringLiteral("password")) || detail.contains(QStringLiteral("authentication")) ||
            detail.contains(QStringLiteral("парол")) || detail.contains(QStringLiteral("подлинност")))
            throw DbError::serverLoginRefused(m_host);
        if (detail.contains(QStringLiteral("does not exist")) || detail.contains(QStringLiteral("не существует")))
            throw DbError::serverDatabaseMissing(m_host);
        throw DbError::serverUnreachable(m_host);
    }
    PQsetNoticeProcessor(conn, &ignoreNotice, nullptr);
    PQsetClientEncoding(conn, "UTF8");
    m_conn = conn;
    m_inTransaction = false;
}

void PgBackend::open()
{
    if (m_conn)
        return;
    connect();
    try {
        checkSchemaVersion();
    } catch (...) {
        close();
        throw;
    }
}

void PgBackend::checkSchemaVersion()
{
    if (m_schemaVersion <= 0)
        return;
    int version = 0;
    try {
        const auto rows = query(QStringLiteral("SELECT textbook_schema_version()"));
        if (rows->next())
            version = int(rows->int64(0));
    } catch (const DbError &e) {
        if (e.isConnectionLost())
            throw;
        throw DbError::serverNotPrepared(m_host);
    }
    if (version != m_schemaVersion)
        throw DbError::schemaMismatch(m_host, version, m_schemaVersion);
}

void PgBackend::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_inTransaction = false;
}

PGresult *PgBackend::run(const QString &sql, const QVariantList &values, bool script)
{
    if (!m_conn)
        connect();
    // The server or the network went away since the last statement: outside a transaction the
    // next action simply connects again.
    if (PQstatus(m_conn) != CONNECTION_OK) {
        if (m_inTransaction)
            throw DbError::connectionLost(m_host);
        PQreset(m_conn);
        if (PQstatus(m_conn) != CONNECTION_OK)
            throw DbError::connectionLost(m_host);
        PQsetClientEncoding(m_conn, "UTF8");
    }
    std::vector<QByteArray> texts(size_t(values.size()));
    std::vector<const char *> params(size_t(values.size()), nullptr);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        if (v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Bool:
            texts[size_t(i)] = v.toBool() ? "1" : "0";
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            texts[size_t(i)] = QByteArray::number(v.toDouble(), 'g', 17);
            break;
        default:
            texts[size_t(i)] = v.toString().toUtf8();
            break;
        }
        params[size_t(i)] = texts[size_t(i)].constData();
    }
    PGresult *r = script ? PQexec(m_conn, sql.toUtf8().constData())
                         : PQexecParams(m_conn, numbered(sql).toUtf8().constData(), int(values.size()), nullptr,
                                        params.data(), nullptr, nullptr, 0);
    const ExecStatusType status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return r;
    const bool lost = !r || PQstatus(m_conn) != CONNECTION_OK;
    const DbError error = lost ? DbError::connectionLost(m_host) : errorOf(r, m_host);
    PQclear(r);
    if (lost)
        m_inTransaction = false;
    throw error;
}

std::unique_ptr<ResultRows> PgBackend::query(const QString &sql, const QVariantList &values)
{
    return std::make_unique<PgRows>(run(sql, values));
}

qint64 PgBackend::execute(const QString &sql, const QVariantList &values)
{
    const Result r(run(sql, values));
    return QByteArrayView(PQcmdTuples(r.get())).toLongLong();
}

qint64 PgBackend::insert(const QString &sql, const QVariantList &values, const QString &keyColumn)
{
    const Result r(run(sql + QStringLiteral(" RETURNING ") + sql::quotedName(keyColumn), values));
    return PQntuples(r.get()) > 0 ? QByteArrayView(PQgetvalue(r.get(), 0, 0)).toLongLong() : 0;
}

void PgBackend::begin()
{
    execute(QStringLiteral("BEGIN"));
    m_inTransaction = true;
}

void PgBackend::commit()
{
    // Whatever the outcome, the transaction is over.
    m_inTransaction = false;
    execute(QStringLiteral("COMMIT"));
}

void PgBackend::rollback()
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
        PQclear(PQexec(m_conn, "ROLLBACK"));
}

PgBackend::Relation PgBackend::relation(const QString &table)
{
    // Found as the program names it, whatever the case: the course's tables are spelled in lower
    // case on the server, as the server folds names, and looked for in the connection's schemas.
    const auto rows = query(QStringLiteral("SELECT c.oid, quote_ident(n.nspname) || '.' || quote_ident(c.relname), "
                                           "c.relkind::text FROM pg_class c JOIN pg_namespace n ON n.oid = "
                                           "c.relnamespace WHERE lower(c.relname) = lower(?) AND c.relkind IN ('r', "
                                           "'v', 'p', 'm', 'f') AND n.nspname = ANY (current_schemas(false)) "
                                           "ORDER BY array_position(current_schemas(false), n.nspname), "
                                           "c.relname = ? DESC LIMIT 1"),
                            {table, table});
    if (!rows->next())
        throw DbError::tableMissing(table);
    Relation found;
    found.oid = unsigned(rows->int64(0));
    found.name = rows->text(1);
    found.baseOids.append(found.oid);
    if (rows->text(2) == u"v") {
        const auto bases = query(QStringLiteral("SELECT DISTINCT d.refobjid FROM pg_rewrite r JOIN pg_depend d ON "
                                                "d.classid = 'pg_rewrite'::regclass AND d.objid = r.oid AND "
                                                "d.refclassid = 'pg_class'::regclass AND d.refobjid <> r.ev_class "
                                                "WHERE r.ev_class = ?"),
                                 {qlonglong(found.oid)});
        while (bases->next())
            found.baseOids.append(unsigned(bases->int64(0)));
    }
    return found;
}

QString PgBackend::tableName(const QString &table)
{
    return relation(table).name;
}

QList<TableColumn> PgBackend::columns(const QString &table)
{
    const Relation r = relation(table);
    QList<TableColumn> result;
    const auto rows = query(QStringLiteral("SELECT attname, format_type(atttypid, atttypmod) FROM pg_attribute "
                                           "WHERE attrelid = ? AND attnum > 0 AND NOT attisdropped ORDER BY attnum"),
                            {qlonglong(r.oid)});
    while (rows->next())
        result.append({rows->text(0), rows->text(1)});
    if (result.isEmpty())
        throw DbError::tableMissing(table);
    return result;
}

namespace {

QString oidArray(const QList<unsigned> &oids)
{
    QStringList parts;
    for (const unsigned oid : oids)
        parts.append(QString::number(oid));
    return u'{' + parts.join(u',') + u'}';
}

} // namespace

QString PgBackend::rowKey(const QString &table)
{
    const Relation r = relation(table);
    // The table's identity column (a view shows its table's under the same name), else its
    // primary key.
    const auto rows = query(QStringLiteral("SELECT a.attname FROM pg_attribute a WHERE a.attrelid = ANY (CAST(? AS "
                                           "oid[])) AND a.attnum > 0 AND NOT a.attisdropped AND (a.attidentity <> '' "
                                           "OR EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = a.attrelid AND "
                                           "i.indisprimary AND i.indnkeyatts = 1 AND i.indkey[0] = a.attnum)) "
                                           "ORDER BY a.attidentity = '', a.attnum LIMIT 1"),
                            {oidArray(r.baseOids)});
    if (!rows->next())
        throw DbError(QStringLiteral("У таблицы «%1» на сервере %2 нет ключевого поля.").arg(table, m_host));
    return rows->text(0);
}

QStringList PgBackend::indexTerms(const QString &table, const QString &index)
{
    const Relation r = relation(table);
    const auto rows = query(QStringLiteral("SELECT pg_get_indexdef(i.indexrelid, k, true), (i.indoption[k - 1] & 1) "
                                           "= 1 FROM pg_index i JOIN pg_class ic ON ic.oid = i.indexrelid, "
                                           "generate_series(1, i.indnkeyatts) AS k WHERE i.indrelid = ANY (CAST(? "
                                           "AS oid[])) AND lower(ic.relname) = lower(?) ORDER BY i.indexrelid, k"),
                            {oidArray(r.baseOids), index});
    QStringList terms;
    while (rows->next()) {
        QString term = rows->text(0);
        if (!term.startsWith(u'"'))
            term = sql::quotedName(term);
        if (rows->int64(1))
            term += QStringLiteral(" DESC");
        terms.append(term);
    }
    if (terms.isEmpty())
        throw DbError::indexMissing(table, index);
    return terms;
}

QString PgBackend::matchCondition(const QString &column, int flags) const
{
    // Case folded by the server's Unicode rules (ICU), which know Cyrillic.
    const auto folded = [flags](const QString &text) {
        const QString asText = QStringLiteral("CAST(%1 AS text)").arg(text);
        return (flags & 1) ? QStringLiteral("lower(%1 COLLATE \"und-x-icu\")").arg(asText) : asText;
    };
    if (flags & 2)
        return QStringLiteral("starts_with(%1, %2)").arg(folded(column), folded(QStringLiteral("?")));
    return QStringLiteral("%1 = %2").arg(folded(column), folded(QStringLiteral("?")));
}

void PgBackend::executeScript(const QString &sql)
{
    // The simple protocol runs several statements in one go; nothing is bound.
    const Result r(run(sql, {}, true));
    Q_UNUSED(r)
}
