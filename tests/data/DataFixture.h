#pragma once

// A fresh database built from the program's schema, independent of the demo content, plus direct
// SQL access that bypasses the data layer. The tests run once on a Data.mdb file and once on a
// PostgreSQL server (VELANIKA_TEST_SERVER names it: then each fixture is a schema of its own on
// that server, and its folder holds a server.conf that points the program there).

#include "data/Connection.h"
#include "data/ServerSettings.h"
#include "tests/support/RawSql.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#include <libpq-fe.h>

#include <stdexcept>

class DataFixture
{
public:
    // The server the tests run on, or empty for Data.mdb files.
    static QString testServer() { return qEnvironmentVariable("VELANIKA_TEST_SERVER"); }
    static bool onServer() { return !testServer().isEmpty(); }

    DataFixture()
    {
        if (!m_dir.isValid())
            throw std::runtime_error("cannot create a temporary folder");
        if (!onServer()) {
            exec(QStringLiteral("BEGIN;") + readAll(QStringLiteral(TEXTBOOK_SCHEMA_SQL)) + QStringLiteral(";COMMIT;"));
            return;
        }
        m_schema = QStringLiteral("t") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        m_server = PQconnectdb(testServer().toUtf8().constData());
        if (PQstatus(m_server) != CONNECTION_OK)
            throw std::runtime_error(std::string("test server: ") + PQerrorMessage(m_server));
        PQsetClientEncoding(m_server, "UTF8");
        PQsetNoticeProcessor(
            m_server, [](void *, const char *) {}, nullptr);
        exec(QStringLiteral("CREATE SCHEMA %1; SET search_path = %1;").arg(m_schema) +
             readAll(QStringLiteral(TEXTBOOK_SERVER_TABLES_SQL)) +
             QStringLiteral("; CREATE FUNCTION textbook_schema_version() RETURNS integer LANGUAGE sql AS "
                            "'SELECT %1';")
                 .arg(serverSchemaVersion));
        QFile conf(folder() + QStringLiteral("server.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write server.conf");
        conf.write((QStringLiteral("# the test's own schema\n") + connectionString() + u'\n').toUtf8());
    }

    ~DataFixture()
    {
        if (m_server) {
            PQclear(PQexec(m_server, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(m_schema).toUtf8().constData()));
            PQfinish(m_server);
        }
    }

    DataFixture(const DataFixture &) = delete;
    DataFixture &operator=(const DataFixture &) = delete;

    // Folder with a trailing '/'.
    QString folder() const { return m_dir.path() + u'/'; }
    QString file() const { return folder() + QStringLiteral("Data.mdb"); }
    // The server's connection string for this fixture's schema.
    QString connectionString() const { return testServer() + QStringLiteral(" options=-csearch_path=") + m_schema; }

    // Points a connection at this fixture's database.
    void point(Connection &connection) const
    {
        if (onServer())
            connection.setServer(connectionString());
        else
            connection.setDatabaseFile(file());
    }

    // Runs SQL (several statements allowed) through a connection of its own.
    void exec(const QString &sql) const
    {
        if (!m_server) {
            rawsql::exec(file(), sql);
            return;
        }
        PGresult *r = PQexec(m_server, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(r);
        const std::string error = PQresultErrorMessage(r);
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw std::runtime_error(error);
    }

    // First column of the first row, or an invalid QVariant.
    QVariant scalar(const QString &sql) const
    {
        if (!m_server)
            return rawsql::scalar(file(), sql);
        PGresult *r = PQexec(m_server, sql.toUtf8().constData());
        QVariant value;
        if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0 && !PQgetisnull(r, 0, 0)) {
            const QString text = QString::fromUtf8(PQgetvalue(r, 0, 0));
            const Oid type = PQftype(r, 0);
            value = (type == 20 || type == 21 || type == 23) ? QVariant(text.toLongLong()) : QVariant(text);
        } else if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            const std::string error = PQresultErrorMessage(r);
            PQclear(r);
            throw std::runtime_error(error);
        }
        PQclear(r);
        return value;
    }

private:
    static QString readAll(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + path.toStdString());
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir m_dir;
    QString m_schema;
    PGconn *m_server = nullptr;
};
