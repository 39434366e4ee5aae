// velanika-server: sets up a class's course database on a PostgreSQL server and moves a class's
// record between a Data.mdb and the server.
//
//   velanika-server [--server CONNINFO] init [--course Data.mdb] [--student-password P]
//                                             [--teacher-password P]
//   velanika-server [--server CONNINFO] import Data.mdb [--replace]
//   velanika-server [--server CONNINFO] export Data.mdb
//
// CONNINFO is a libpq connection string for an administrator (a superuser for init: it makes the
// roles and the pgcrypto extension); without it the libpq defaults and dbname=velanika are used.

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqlName.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

// The server's tables (lower case) and Data.mdb's, in the order they are filled.
struct TablePair
{
    const char *server;
    const char *file;
    bool course; // part of the course, not of the class's record
};
constexpr TablePair tables[] = {
    {"system", "System", true},        {"glaves", "Glaves", true},
    {"test1", "Test1", true},          {"test2", "Test2", true},
    {"test3", "Test3", true},          {"test4", "Test4", true},
    {"test5", "Test5", true},          {"test6", "Test6", true},
    {"present", "present", true},      {"questionplace", "QuestionPlace", true},
    {"users", "Users", false},         {"result", "Result", false},
    {"pagevisit", "PageVisit", false},
};

// What an exported Data.mdb holds instead of a password the server keeps only as a hash: longer
// than the 6 characters the sign-in box takes, so no one can sign in with it.
const QString passwordKeptOnServer = QStringLiteral("(сервер)");

void say(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString &text)
{
    throw DbError(text);
}

QString resource(const QString &name)
{
    QFile file(QStringLiteral(":/server/") + name);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Нет встроенного файла %1.").arg(name));
    return QString::fromUtf8(file.readAll());
}

QString literal(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

// The value of a keyword in a libpq connection string (the last one given wins), or empty.
QString keyword(const QString &conninfo, const QString &key)
{
    QString value;
    for (const QString &part : conninfo.split(u' ', Qt::SkipEmptyParts)) {
        if (part.startsWith(key + u'='))
            value = part.mid(key.size() + 1);
    }
    return value;
}

QStringList columnNames(Backend &db, const QString &table)
{
    QStringList names;
    for (const TableColumn &c : db.columns(table))
        names.append(c.name);
    return names;
}

// Copies a table's rows in their order, column by column of the same name (letter case aside);
// a column the target lacks is left out, one the source lacks stays empty. transform may change a
// row's values (by target column) before it is written. Returns the number of rows.
int copyRows(Backend &from, const QString &fromTable, Backend &to, const QString &toTable,
             const std::function<void(const QStringList &, QVariantList &)> &transform = {})
{
    const QStringList source = columnNames(from, fromTable);
    const QStringList target = columnNames(to, toTable);
    QStringList read;
    QStringList written;
    for (const QString &column : target) {
        for (const QString &s : source) {
            if (s.compare(column, Qt::CaseInsensitive) == 0) {
                read.append(sql::quotedName(s));
                written.append(column);
            }
        }
    }
    if (read.isEmpty())
        return 0;
    const QString key = from.rowKey(fromTable);
    const auto rows = from.query(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                     .arg(read.join(QStringLiteral(", ")), from.tableName(fromTable),
                                          key == u"rowid" ? key : sql::quotedName(key)));
    QStringList quotedWritten;
    for (const QString &c : std::as_const(written))
        quotedWritten.append(sql::quotedName(c));
    const QString head =
        QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(to.tableName(toTable), quotedWritten.join(u','));
    const QString one = u'(' + QStringList(written.size(), QStringLiteral("?")).join(u',') + u')';
    constexpr int batch = 200;
    int count = 0;
    QVariantList values;
    QStringList tuples;
    const auto flush = [&] {
        if (tuples.isEmpty())
            return;
        to.execute(head + tuples.join(u','), values);
        values.clear();
        tuples.clear();
    };
    while (rows->next()) {
        QVariantList row;
        for (int i = 0; i < written.size(); ++i)
            row.append(rows->value(i));
        if (transform)
            transform(written, row);
        values.append(row);
        tuples.append(one);
        ++count;
        if (tuples.size() == batch)
            flush();
    }
    flush();
    return count;
}

// After rows came in with their own keys, new rows must get keys above them.
void resetIdentity(Backend &db, const QString &table)
{
    const QString key = db.rowKey(table);
    const QString name = db.tableName(table);
    db.execute(QStringLiteral("SELECT setval(pg_get_serial_sequence(%1, %2), coalesce(max(%3), 0) + 1, false) FROM %4")
                   .arg(literal(name), literal(key), sql::quotedName(key), name));
}

QString cryptoSchema(Backend &db)
{
    const auto rows = db.query(QStringLiteral(
        "SELECT quote_ident(n.nspname) FROM pg_extension e JOIN pg_namespace n ON n.oid = e.extnamespace "
        "WHERE e.extname = 'pgcrypto'"));
    if (!rows->next())
        fail(QStringLiteral("На сервере нет расширения pgcrypto."));
    return rows->text(0);
}

bool prepared(Backend &db)
{
    const auto rows = db.query(QStringLiteral("SELECT to_regnamespace('velanika_data') IS NOT NULL"));
    return rows->next() && rows->value(0).toBool();
}

// A new Data.mdb with the program's tables and one more for the hashes the server keeps.
void createFile(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        fail(QStringLiteral("Не удаётся создать файл %1.").arg(path));
    }
    const QByteArray script = (QStringLiteral("BEGIN;") + resource(QStringLiteral("schema.sql")) +
                               QStringLiteral(";CREATE TABLE server_passwords (ID INTEGER PRIMARY KEY, hash TEXT);"
                                              "COMMIT;"))
                                  .toUtf8();
    const int rc = sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Не удаётся записать таблицы в файл %1.").arg(path));
}

void openSqlite(Connection &file, const QString &path)
{
    file.setDatabaseFile(path);
    file.open();
}

// The administrator's connection; the database is made first if it does not exist yet.
void openServer(Connection &server, const QString &conninfo, bool create)
{
    server.setServer(conninfo);
    try {
        server.open();
        return;
    } catch (const DbError &) {
        if (!create)
            throw;
    }
    const QString name = keyword(conninfo, QStringLiteral("dbname"));
    Connection admin;
    admin.setServer(conninfo + QStringLiteral(" dbname=postgres"));
    admin.execute(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(sql::quotedName(name)));
    say(QStringLiteral("Создана база данных «%1».").arg(name));
    server.open();
}

// A file or a server made before a table existed has no rows for it.
bool hasTable(Backend &db, const QString &table)
{
    try {
        db.columns(table);
    } catch (const DbError &) {
        return false;
    }
    return true;
}

void fillCourse(Backend &file, Backend &server, bool classToo,
                const std::function<void(const QStringList &, QVariantList &)> &users = {})
{
    for (const TablePair &t : tables) {
        if (!t.course && !classToo)
            continue;
        if (!hasTable(file, QString::fromUtf8(t.file)))
            continue;
        const QString serverTable = QString::fromLatin1(t.server);
        const int rows =
            copyRows(file, QString::fromUtf8(t.file), server, serverTable,
                     serverTable == u"users" ? users : std::function<void(const QStringList &, QVariantList &)>{});
        resetIdentity(server, serverTable);
        say(QStringLiteral("  %1: %2 строк").arg(QString::fromUtf8(t.file)).arg(rows));
    }
}

void init(const QString &conninfo, const QString &course, const QString &studentPassword,
          const QString &teacherPassword)
{
    Connection file;
    openSqlite(file, course);
    Connection server;
    openServer(server, conninfo, true);
    Backend &db = server.backend();
    if (prepared(db))
        fail(QStringLiteral("База данных на сервере %1 уже подготовлена для учебника. Чтобы перенести в неё записи "
                            "класса, используйте «velanika-server import».")
                 .arg(server.place()));
    const QString database = [&] {
        const auto rows = db.query(QStringLiteral("SELECT quote_ident(current_database())"));
        rows->next();
        return rows->text(0);
    }();
    server.inTransaction([&] {
        const auto role = [&](const char *name, const char *kind, const QString &password) {
            const QString n = QString::fromLatin1(name);
            db.executeScript(QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = %1) "
                                            "THEN CREATE ROLE %2 %3; END IF; END $$")
                                 .arg(literal(n), n, QString::fromLatin1(kind)));
            if (!password.isEmpty())
                db.executeScript(QStringLiteral("ALTER ROLE %1 PASSWORD %2").arg(n, literal(password)));
        };
        role("velanika_owner", "NOLOGIN", {});
        role("velanika_student", "LOGIN", studentPassword);
        role("velanika_teacher", "LOGIN", teacherPassword);
        db.executeScript(QStringLiteral("CREATE SCHEMA velanika_data AUTHORIZATION velanika_owner;"
                                        "CREATE SCHEMA velanika AUTHORIZATION velanika_owner;"
                                        "CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA velanika_data;"
                                        "ALTER ROLE velanika_student IN DATABASE %1 SET search_path = velanika;"
                                        "ALTER ROLE velanika_teacher IN DATABASE %1 SET search_path = velanika;"
                                        "GRANT CONNECT ON DATABASE %1 TO velanika_student, velanika_teacher;")
                             .arg(database));
        const QString crypto = cryptoSchema(db);
        db.executeScript(QStringLiteral("GRANT USAGE ON SCHEMA %1 TO velanika_owner;").arg(crypto));
        db.executeScript(QStringLiteral("SET LOCAL ROLE velanika_owner; SET LOCAL search_path = velanika_data;"));
        db.executeScript(resource(QStringLiteral("tables.sql")));
        db.executeScript(resource(QStringLiteral("access.sql")).replace(QStringLiteral("@crypto@"), crypto));
        say(QStringLiteral("Курс из %1:").arg(course));
        fillCourse(file.backend(), db, false);
    });
    say(QStringLiteral("База данных учебника на сервере %1 подготовлена.").arg(server.place()));
}

void importRecord(const QString &conninfo, const QString &path, bool replace)
{
    Connection file;
    openSqlite(file, path);
    Connection server;
    openServer(server, conninfo, false);
    Backend &db = server.backend();
    if (!prepared(db))
        fail(QStringLiteral("База данных на сервере %1 не подготовлена: сначала «velanika-server init».")
                 .arg(server.place()));
    // Hashes kept by an earlier export, by student.
    QHash<qint64, QString> hashes;
    {
        const auto kept =
            file.query(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'server_passwords'"));
        if (kept->next() && kept->int64(0) > 0) {
            const auto rows = file.query(QStringLiteral("SELECT ID, hash FROM server_passwords"));
            while (rows->next())
                hashes.insert(rows->int64(0), rows->text(1));
        }
    }
    server.inTransaction([&] {
        db.executeScript(QStringLiteral("SET LOCAL search_path = velanika_data;"));
        const auto count = [&](const char *table) {
            const auto rows = db.query(QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromLatin1(table)));
            rows->next();
            return rows->int64(0);
        };
        if (!replace && (count("users") > 0 || count("result") > 0))
            fail(QStringLiteral("На сервере %1 уже есть записи учеников. Чтобы заменить их записями из %2, добавьте "
                                "--replace (записи на сервере будут удалены).")
                     .arg(server.place(), path));
        db.executeScript(
            QStringLiteral("DELETE FROM answers; DELETE FROM attempts; DELETE FROM sessions; "
                           "DELETE FROM result; DELETE FROM users; DELETE FROM system; DELETE FROM glaves; "
                           "DELETE FROM test1; DELETE FROM test2; DELETE FROM test3; DELETE FROM test4; "
                           "DELETE FROM test5; DELETE FROM test6; DELETE FROM present; DELETE FROM questionplace; "
                           "DELETE FROM pagevisit;"));
        const QString crypto = cryptoSchema(db);
        // Passwords are hashed on the way: the server never keeps one readable.
        const auto users = [&](const QStringList &columns, QVariantList &row) {
            const qsizetype id = columns.indexOf(QStringLiteral("id"));
            const qsizetype password = columns.indexOf(QStringLiteral("пароль"));
            if (password < 0)
                return;
            const qint64 key = id >= 0 ? row.at(id).toLongLong() : 0;
            if (hashes.contains(key)) {
                row[password] = hashes.value(key);
                return;
            }
            const auto hashed = db.query(QStringLiteral("SELECT %1.crypt(left(?, 6), %1.gen_salt('bf'))").arg(crypto),
                                         {row.at(password).isNull() ? QString() : row.at(password).toString()});
            hashed->next();
            row[password] = hashed->text(0);
        };
        say(QStringLiteral("Из %1:").arg(path));
        fillCourse(file.backend(), db, true, users);
    });
    say(QStringLiteral("Записи класса перенесены на сервер %1.").arg(server.place()));
}

void exportRecord(const QString &conninfo, const QString &path)
{
    if (QFileInfo::exists(path))
        fail(QStringLiteral("Файл %1 уже существует; выберите другое имя.").arg(path));
    Connection server;
    openServer(server, conninfo, false);
    Backend &db = server.backend();
    if (!prepared(db))
        fail(QStringLiteral("База данных на сервере %1 не подготовлена для учебника.").arg(server.place()));
    db.executeScript(QStringLiteral("SET search_path = velanika_data;"));
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        createFile(part);
        {
            Connection file;
            openSqlite(file, part);
            Backend &out = file.backend();
            file.inTransaction([&] {
                say(QStringLiteral("В %1:").arg(path));
                for (const TablePair &t : tables) {
                    const QString fileTable = QString::fromUtf8(t.file);
                    if (!hasTable(db, QString::fromLatin1(t.server)))
                        continue;
                    const auto users = [](const QStringList &columns, QVariantList &row) {
                        const qsizetype password = columns.indexOf(QStringLiteral("пароль"));
                        if (password >= 0)
                            row[password] = passwordKeptOnServer;
                    };
                    const int rows =
                        copyRows(db, QString::fromLatin1(t.server), out, fileTable,
                                 fileTable == u"Users" ? std::function<void(const QStringList &, QVariantList &)>(users)
                                                       : std::function<void(const QStringList &, QVariantList &)>{});
                    say(QStringLiteral("  %1: %2 строк").arg(fileTable).arg(rows));
                }
                const auto hashes = db.query(QStringLiteral("SELECT id, \"пароль\" FROM users ORDER BY id"));
                while (hashes->next())
                    out.execute(QStringLiteral("INSERT INTO server_passwords (ID, hash) VALUES (?, ?)"),
                                {hashes->value(0), hashes->value(1)});
            });
        }
        if (!QFile::rename(part, path))
            fail(QStringLiteral("Не удаётся записать файл %1.").arg(path));
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    say(QStringLiteral("Записи класса с сервера %1 сохранены в %2. Пароли на сервере хранятся только в виде "
                       "свёрток: в файле вместо них записано «%3», и войти с ними нельзя; при переносе файла "
                       "обратно на сервер («import») прежние пароли восстанавливаются.")
            .arg(server.place(), path, passwordKeptOnServer));
}

int usage()
{
    std::fprintf(stderr, "usage: velanika-server [--server CONNINFO] init [--course Data.mdb] "
                         "[--student-password P] [--teacher-password P]\n"
                         "       velanika-server [--server CONNINFO] import Data.mdb [--replace]\n"
                         "       velanika-server [--server CONNINFO] export Data.mdb\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString conninfo;
    QString course = QCoreApplication::applicationDirPath() + QStringLiteral("/Data.mdb");
    QString studentPassword;
    QString teacherPassword;
    bool replace = false;
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args.at(++i);
        };
        std::optional<QString> v;
        if (a == u"--server" && (v = value()))
            conninfo = *v;
        else if (a == u"--course" && (v = value()))
            course = *v;
        else if (a == u"--student-password" && (v = value()))
            studentPassword = *v;
        else if (a == u"--teacher-password" && (v = value()))
            teacherPassword = *v;
        else if (a == u"--replace")
            replace = true;
        else if (a.startsWith(u'-'))
            return usage();
        else
            rest.append(a);
    }
    if (keyword(conninfo, QStringLiteral("dbname")).isEmpty() && keyword(conninfo, QStringLiteral("service")).isEmpty())
        conninfo = (conninfo + QStringLiteral(" dbname=velanika")).trimmed();
    try {
        if (rest.size() == 1 && rest.at(0) == u"init")
            init(conninfo, course, studentPassword, teacherPassword);
        else if (rest.size() == 2 && rest.at(0) == u"import")
            importRecord(conninfo, rest.at(1), replace);
        else if (rest.size() == 2 && rest.at(0) == u"export")
            exportRecord(conninfo, rest.at(1));
        else
            return usage();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "velanika-server: %s\n", e.what());
        return 1;
    }
    return 0;
}
