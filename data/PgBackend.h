#pragma once

#include "data/Backend.h"

struct pg_conn;
struct pg_result;

// The course database on a PostgreSQL server, through libpq. A connection that the server or the
// network dropped is made again at the next statement outside a transaction; a statement that
// was cut off throws DbError with isConnectionLost().
class PgBackend : public Backend
{
public:
    // schemaVersion > 0: the server's course database must report this version.
    PgBackend(const QString &connectionString, int schemaVersion);
    ~PgBackend() override;

    // The server a connection string names, as a message names it to the user.
    static QString hostOf(const QString &connectionString);

    QString place() const override { return m_host; }
    void open() override;
    void close() override;

    std::unique_ptr<ResultRows> query(const QString &sql, const QVariantList &values = {}) override;
    qint64 execute(const QString &sql, const QVariantList &values = {}) override;
    void executeScript(const QString &sql) override;
    qint64 insert(const QString &sql, const QVariantList &values, const QString &keyColumn) override;

    bool inTransaction() override { return m_inTransaction; }
    void begin() override;
    void commit() override;
    void rollback() override;

    QString tableName(const QString &table) override;
    QList<TableColumn> columns(const QString &table) override;
    QString rowKey(const QString &table) override;
    QStringList indexTerms(const QString &table, const QString &index) override;

    QString matchCondition(const QString &column, int flags) const override;
    QString unindexed(const QString &column) const override { return column; }
    bool comparesRows() const override { return false; }

    std::optional<ChangeStamp> stamp(qint64, qint64) override { return std::nullopt; }
    qint64 totalChanges() override { return -1; }

private:
    struct Relation
    {
        unsigned oid = 0;
        QString name;             // quoted, schema-qualified
        QList<unsigned> baseOids; // the relation itself, and a view's tables
    };
    Relation relation(const QString &table);
    pg_result *run(const QString &sql, const QVariantList &values, bool script = false);
    void connect();
    void checkSchemaVersion();

    QString m_connectionString;
    QString m_host;
    int m_schemaVersion = 0;
    pg_conn *m_conn = nullptr;
    bool m_inTransaction = false;
};
