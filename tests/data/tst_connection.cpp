// Opening the database file, the errors on a wrong file, writes that reach the disk and two
// connections on one file.

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqlStatement.h"
#include "data/TableCursor.h"
#include "tests/data/DataFixture.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <unistd.h>

namespace {

QString errorOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const DbError &e) {
        return e.message();
    }
    return {};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileIsNotCreated()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Нет такой папки/Data.mdb"));
        const QString flat = dir.filePath(QStringLiteral("Data.mdb"));
        for (const QString &file : {path, flat}) {
            Connection connection;
            connection.setDatabaseFile(file);
            TableCursor users(&connection, QStringLiteral("Users"));
            const QString message = errorOf([&] { users.open(); });
            QVERIFY2(message.contains(QStringLiteral("не найден")), qPrintable(message));
            QVERIFY2(message.contains(file), qPrintable(message));
            QVERIFY(!QFile::exists(file));
            QVERIFY(!connection.isOpen());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    void wrongFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QByteArray jet(2048, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QByteArray ace(2048, '\0');
        ace.replace(4, 15, "Standard ACE DB");
        QTest::newRow("empty") << QByteArray() << "пуст";
        QTest::newRow("Jet") << jet << "преобразовать в этот формат";
        QTest::newRow("ACE") << ace << "Microsoft Access";
        QTest::newRow("text") << QByteArray("Привет, это не база данных\n") << "не является базой данных SQLite";
        QTest::newRow("short") << QByteArray("SQLite") << "не является базой данных SQLite";
    }

    void wrongFiles()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Data.mdb"));
        writeFile(path, content);
        Connection connection;
        connection.setDatabaseFile(path);
        const QString message = errorOf([&] { connection.open(); });
        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY(!connection.isOpen());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    void missingTableAndColumn()
    {
        DataFixture db;
        Connection connection;
        db.point(connection);
        TableCursor nothing(&connection, QStringLiteral("Отчёты"));
        QString message = errorOf([&] { nothing.open(); });
        QVERIFY2(message.contains(QStringLiteral("«Отчёты»")), qPrintable(message));
        QVERIFY(!nothing.isOpen());

        TableCursor users(&connection, QStringLiteral("Users"));
        users.setDeclaredFields({QStringLiteral("ID"), QStringLiteral("отчество")});
        message = errorOf([&] { users.open(); });
        QVERIFY2(message.contains(QStringLiteral("«Users»")) && message.contains(QStringLiteral("«отчество»")),
                 qPrintable(message));
    }

    void unusualFolderNames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("spaces and Cyrillic") << "Мои документы/Учебник Веланика";
        QTest::newRow("URI characters") << "100% готово?#1&a=b";
    }

    void unusualFolderNames()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        QFETCH(QString, folder);
        DataFixture db;
        db.exec(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('Найден')"));
        const QString dir = db.folder() + folder;
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::copy(db.file(), dir + QStringLiteral("/Data.mdb")));
        Connection connection;
        connection.setDatabaseFile(dir + QStringLiteral("/Data.mdb"));
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        QCOMPARE(users.fieldByName(QStringLiteral("фамилия")).asString(), QStringLiteral("Найден"));
        QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("Data.mdb")});
    }

    void samePathAgainWhileOpen()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        DataFixture db;
        DataFixture other;
        Connection connection;
        connection.setDatabaseFile(db.file());
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        // The same file, even spelled differently, changes nothing.
        connection.setDatabaseFile(db.folder() + QStringLiteral("./Data.mdb"));
        QVERIFY(connection.isOpen());
        QVERIFY(users.isOpen());
        const QString message = errorOf([&] { connection.setDatabaseFile(other.file()); });
        QVERIFY2(!message.isEmpty(), "another file while open must throw");
        QCOMPARE(connection.databaseFile(), db.file());
        QVERIFY(users.isOpen());
        // Closed, it may move; its cursors closed with it.
        connection.close();
        QVERIFY(!users.isOpen());
        connection.setDatabaseFile(other.file());
        users.open();
        QCOMPARE(connection.databaseFile(), other.file());
    }

    void postedRowIsOnDisk()
    {
        DataFixture db;
        Connection connection;
        db.point(connection);
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        users.append();
        users.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Сохранённый"));
        users.post();
        // A connection of its own, as another process would see it, without closing ours.
        QCOMPARE(db.scalar(QStringLiteral("SELECT \"фамилия\" FROM Users")).toString(), QStringLiteral("Сохранённый"));
        if (DataFixture::onServer())
            return;
        QVERIFY(!QFile::exists(db.file() + QStringLiteral("-journal")));
        SqlStatement mode(connection.handle(), QStringLiteral("PRAGMA synchronous"), db.file());
        QVERIFY(mode.step());
        QCOMPARE(mode.int64(0), 2); // FULL
    }

    void twoConnectionsOnOneFile()
    {
        DataFixture db;
        Connection first;
        Connection second;
        db.point(first);
        db.point(second);
        TableCursor a(&first, QStringLiteral("Users"));
        TableCursor b(&second, QStringLiteral("Users"));
        a.open();
        b.open();
        for (int i = 0; i < 3; ++i) {
            for (TableCursor *cursor : {&a, &b}) {
                cursor->append();
                cursor->fieldByName(QStringLiteral("фамилия"))
                    .setAsString((cursor == &a ? QStringLiteral("a-%1") : QStringLiteral("b-%1")).arg(i));
                cursor->post();
            }
        }
        QCOMPARE(a.recordCount(), 3);
        a.refresh();
        b.refresh();
        QCOMPARE(a.recordCount(), 6);
        QCOMPARE(b.recordCount(), 6);
        QVERIFY(a.locate(QStringLiteral("фамилия"), QStringLiteral("b-2")));
        // A cursor of one connection editing a row the other one wrote.
        a.edit();
        a.fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("5 - Курс"));
        a.post();
        b.refresh();
        QVERIFY(b.locate(QStringLiteral("курс"), QStringLiteral("5 - Курс")));
        QCOMPARE(b.fieldByName(QStringLiteral("фамилия")).asString(), QStringLiteral("b-2"));
    }

    void openCursorsHoldNoLock()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        DataFixture db;
        db.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                               "INSERT INTO Users (\"фамилия\") SELECT 'Студент ' || i FROM n"));
        Connection connection;
        connection.setDatabaseFile(db.file());
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        users.next();
        users.locate(QStringLiteral("фамилия"), QStringLiteral("Студент 2"), LocateOption::PartialKey);
        users.valueAt(250, 1);
        // Another program writes at once, without waiting: nothing of ours keeps the file locked.
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(db.file().toUtf8().constData(), &other), SQLITE_OK);
        const int rc = sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO Users (\"фамилия\") VALUES ('x'); COMMIT",
                                    nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCOMPARE(rc, SQLITE_OK);
        users.refresh();
        QCOMPARE(users.recordCount(), 301);
    }

    // A write that waits for a file another program holds is announced to the hook, and the
    // database cannot be entered again from inside it (that would re-enter SQLite's wait).
    void busyWaitIsAnnounced()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        DataFixture db;
        Connection connection;
        connection.setDatabaseFile(db.file());
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        Connection::setBusyTimeout(20);
        int announced = 0;
        QString inside;
        Connection::setBusyWaitHook([&] {
            ++announced;
            inside = errorOf([&] { users.refresh(); });
        });
        FileHolder other(db.file(), false);
        users.append();
        users.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Ждёт"));
        const QString message = errorOf([&] { users.post(); });
        other.release();
        Connection::setBusyWaitHook({});
        Connection::setBusyTimeout(0);

        QVERIFY2(message.contains(QStringLiteral("занята другой программой")), qPrintable(message));
        QVERIFY(announced > 0);
        QVERIFY2(inside.contains(QStringLiteral("занята другой программой")), qPrintable(inside));
        users.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 1);
    }

    void refusedWriteKeepsThePendingRow()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        DataFixture db;
        Connection connection;
        connection.setDatabaseFile(db.file());
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        connection.execute(QStringLiteral("PRAGMA query_only = 1"));
        users.append();
        users.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Не сохранится"));
        const QString message = errorOf([&] { users.post(); });
        QVERIFY2(message.contains(QStringLiteral("Не удалось сохранить")), qPrintable(message));
        QCOMPARE(users.state(), CursorState::Insert);
        connection.execute(QStringLiteral("PRAGMA query_only = 0"));
        users.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 1);
    }

    void readOnlyPlaces_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }

    void readOnlyPlaces()
    {
        QFETCH(bool, folder);
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        if (geteuid() == 0)
            QSKIP("file permissions do not bind root");
        DataFixture db;
        const QString place = folder ? db.folder() : db.file();
        const QFile::Permissions before = QFile::permissions(place);
        QFile::setPermissions(place, QFile::ReadOwner | (folder ? QFile::ExeOwner : QFile::Permissions()));
        Connection connection;
        connection.setDatabaseFile(db.file());
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        users.append();
        users.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("x"));
        const QString message = errorOf([&] { users.post(); });
        QFile::setPermissions(place, before);
        QVERIFY2(message.contains(QStringLiteral("Не удалось сохранить")), qPrintable(message));
        QCOMPARE(users.state(), CursorState::Insert);
    }

    // The file changed under the program while it ran: each message says what happened, in
    // Russian, whatever SQLite's own English text was.
    void fileChangedWhileOpen_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        const QString gone = QStringLiteral("удалили или переместили");
        QTest::newRow("deleted") << "delete" << gone;
        QTest::newRow("moved") << "move" << gone;
        QTest::newRow("folder moved") << "move folder" << gone;
        QTest::newRow("emptied") << "empty" << QStringLiteral("пуст");
        QTest::newRow("table dropped") << "drop" << QStringLiteral("нет таблицы «Users»");
    }
    void fileChangedWhileOpen()
    {
        if (DataFixture::onServer())
            QSKIP("a Data.mdb file's own behaviour");
        QFETCH(QString, change);
        QFETCH(QString, expected);
        DataFixture db;
        const QString movedFolder = db.folder().chopped(1) + QStringLiteral("-moved");
        Connection connection;
        connection.setDatabaseFile(db.file());
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        if (change == u"delete")
            QVERIFY(QFile::remove(db.file()));
        else if (change == u"move")
            QVERIFY(QFile::rename(db.file(), db.folder() + QStringLiteral("Data-old.mdb")));
        else if (change == u"move folder")
            QVERIFY(QDir().rename(db.folder(), movedFolder));
        else if (change == u"empty")
            QVERIFY(QFile(db.file()).resize(0));
        else
            db.exec(QStringLiteral("DROP TABLE Users"));

        const QString message = errorOf([&] {
            users.refresh();
            users.append();
            users.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Новиков"));
            users.post();
        });
        if (change == u"move folder")
            QVERIFY(QDir().rename(movedFolder, db.folder()));
        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY2(!message.contains(QStringLiteral("только для чтения")), qPrintable(message));
        // No English: the path and the quoted names aside, no Latin letter is left.
        static const QRegularExpression latin(QStringLiteral("[A-Za-z]"));
        static const QRegularExpression quotedName(QStringLiteral("«[^»]*»"));
        QVERIFY2(!QString(message).remove(db.file()).remove(quotedName).contains(latin), qPrintable(message));
    }

    void transactionRollsBack()
    {
        DataFixture db;
        Connection connection;
        db.point(connection);
        const QString message = errorOf([&] {
            connection.inTransaction([&] {
                connection.execute(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES (?)"),
                                   {QStringLiteral("половина")});
                throw DbError(QStringLiteral("сбой"));
            });
        });
        QCOMPARE(message, QStringLiteral("сбой"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 0);
        connection.inTransaction([&] {
            connection.execute(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES (?)"), {QStringLiteral("целая")});
        });
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 1);
    }

    // A server that cannot serve the program is refused with a message that names it and says
    // what to do, in Russian.
    void serverRefusals_data()
    {
        QTest::addColumn<QString>("setting"); // what the connection string gets
        QTest::addColumn<int>("version");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no server there") << "host=/nonexistent/velanika" << 1
                                         << QStringList{QStringLiteral("Нет связи"),
                                                        QStringLiteral("/nonexistent/velanika"),
                                                        QStringLiteral("администратору")};
        QTest::newRow("no such database")
            << "dbname=nonexistent_course" << 1
            << QStringList{QStringLiteral("нет базы данных"), QStringLiteral("администратору")};
        QTest::newRow("another version") << "" << serverSchemaVersion + 1
                                         << QStringList{QStringLiteral("версии %1").arg(serverSchemaVersion),
                                                        QStringLiteral("версия %1").arg(serverSchemaVersion + 1),
                                                        QStringLiteral("обновите")};
        QTest::newRow("not prepared") << "drop" << 1 << QStringList{QStringLiteral("velanika-server init")};
    }
    void serverRefusals()
    {
        QFETCH(QString, setting);
        QFETCH(int, version);
        QFETCH(QStringList, expected);
        if (!DataFixture::onServer())
            QSKIP("a server's own behaviour");
        DataFixture db;
        if (setting == u"drop")
            db.exec(QStringLiteral("DROP FUNCTION textbook_schema_version()"));
        Connection connection;
        connection.setExpectedSchemaVersion(version);
        connection.setServer(db.connectionString() + (setting == u"drop" ? QString() : u' ' + setting));
        TableCursor users(&connection, QStringLiteral("Users"));
        const QString message = errorOf([&] { users.open(); });
        for (const QString &part : expected)
            QVERIFY2(message.contains(part), qPrintable(message));
        QVERIFY(!connection.isOpen());
    }

    // The server drops the connection (a restart, a network cut): the action then fails with a
    // message that says so, a transaction in flight stores nothing, and the next action connects
    // again.
    void droppedConnectionComesBack()
    {
        if (!DataFixture::onServer())
            QSKIP("a server's own behaviour");
        DataFixture db;
        db.exec(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('Первый')"));
        Connection connection;
        db.point(connection);
        TableCursor users(&connection, QStringLiteral("Users"));
        users.open();
        const auto dropConnection = [&] {
            const auto pid = connection.query(QStringLiteral("SELECT pg_backend_pid()"));
            QVERIFY(pid->next());
            db.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid->int64(0)));
        };
        dropConnection();
        QString message = errorOf([&] { users.refresh(); });
        QVERIFY2(message.contains(QStringLiteral("прервалась")), qPrintable(message));
        users.refresh();
        QCOMPARE(users.recordCount(), 1);

        bool lost = false;
        try {
            connection.inTransaction([&] {
                connection.execute(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('Второй')"));
                dropConnection();
                connection.execute(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('Третий')"));
            });
        } catch (const DbError &e) {
            lost = e.isConnectionLost();
        }
        QVERIFY(lost);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 1);
        users.append();
        users.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("После"));
        users.post();
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
