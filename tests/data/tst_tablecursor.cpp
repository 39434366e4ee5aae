// The table cursor's operations on a database built from the program's schema.

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "tests/data/DataFixture.h"
#include "tests/support/TestFolder.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

QStringList userFields()
{
    return {QStringLiteral("ID"),     QStringLiteral("фамилия"),
            QStringLiteral("пароль"), QStringLiteral("специальность"),
            QStringLiteral("курс"),   QStringLiteral("путь")};
}

QString name(TableCursor &cursor)
{
    return cursor.fieldByName(QStringLiteral("фамилия")).asString();
}

// What happens to Users between a cursor's post and its refresh.
enum Change
{
    Nothing,
    OtherProgramInserts,
    OtherProgramDeletes,
    OtherCursorInserts,
    SameConnectionDeletes,
    TableMadeAnew,
    OwnInsertRolledBack,
    OwnInsert,
    CapitalsCursorInserts,
};

} // namespace

class TestTableCursor : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFixture> m_db;
    std::unique_ptr<Connection> m_connection;

    std::unique_ptr<TableCursor> users()
    {
        auto cursor = std::make_unique<TableCursor>(m_connection.get(), QStringLiteral("Users"));
        cursor->setDeclaredFields(userFields());
        return cursor;
    }

    std::unique_ptr<TableCursor> results(TableCursor *master)
    {
        auto cursor = std::make_unique<TableCursor>(m_connection.get(), QStringLiteral("Result"));
        setUpResultCursor(cursor.get(), master);
        return cursor;
    }

    std::unique_ptr<TableCursor> settings()
    {
        auto cursor = std::make_unique<TableCursor>(m_connection.get(), QStringLiteral("System"));
        cursor->setIndexName(QStringLiteral("Name"));
        return cursor;
    }

    void addUsers(const QStringList &names)
    {
        for (const QString &n : names)
            m_db->exec(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('%1')").arg(n));
    }

private Q_SLOTS:
    void init()
    {
        m_db = std::make_unique<DataFixture>();
        m_connection = std::make_unique<Connection>();
        m_db->point(*m_connection);
    }

    void cleanup()
    {
        m_connection.reset();
        m_db.reset();
    }

    void openMakesFirstRowCurrentAndRepeatsHarmlessly()
    {
        addUsers({QStringLiteral("Первый"), QStringLiteral("Второй")});
        auto cursor = users();
        QVERIFY(!m_connection->isOpen());
        cursor->open();
        QVERIFY(m_connection->isOpen());
        QCOMPARE(cursor->recNo(), 0);
        QCOMPARE(name(*cursor), QStringLiteral("Первый"));
        cursor->next();
        QSignalSpy changed(cursor.get(), &TableCursor::recordChanged);
        cursor->open();
        QCOMPARE(cursor->recNo(), 1);
        QCOMPARE(changed.count(), 0);
        cursor->close();
        cursor->close();
        QVERIFY(!cursor->isOpen());
        QVERIFY_THROWS_EXCEPTION(DbError, cursor->first());
        QVERIFY_THROWS_EXCEPTION(DbError, name(*cursor));
    }

    void walkToEnd_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("empty") << QStringList{};
        QTest::newRow("one") << QStringList{QStringLiteral("А")};
        QTest::newRow("three") << QStringList{QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")};
    }

    void walkToEnd()
    {
        QFETCH(QStringList, rows);
        addUsers(rows);
        auto cursor = users();
        cursor->open();
        QCOMPARE(cursor->isEmpty(), rows.isEmpty());
        QCOMPARE(cursor->recordCount(), rows.size());
        QStringList seen;
        for (cursor->first(); !cursor->eof(); cursor->next())
            seen.append(name(*cursor));
        QCOMPARE(seen, rows);
        // The last row stays current after next found nothing.
        QCOMPARE(cursor->recNo(), int(rows.size()) - 1);
        if (!rows.isEmpty()) {
            QCOMPARE(name(*cursor), rows.last());
            cursor->first();
            QVERIFY(!cursor->eof());
        } else {
            QCOMPARE(name(*cursor), QString());
        }
    }

    void recordChangedNotification_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("expected");
        QTest::newRow("first") << "first" << 1;
        QTest::newRow("next moves") << "next" << 1;
        QTest::newRow("next at end") << "next at end" << 0;
        QTest::newRow("prior") << "prior" << 1;
        QTest::newRow("last") << "last" << 1;
        QTest::newRow("setRecNo") << "setRecNo" << 1;
        QTest::newRow("locate found") << "locate found" << 1;
        QTest::newRow("locate not found") << "locate missing" << 0;
        QTest::newRow("refresh") << "refresh" << 1;
        QTest::newRow("post") << "post" << 1;
        QTest::newRow("edit") << "edit" << 0;
        QTest::newRow("append") << "append" << 0;
    }

    void recordChangedNotification()
    {
        QFETCH(QString, operation);
        QFETCH(int, expected);
        addUsers({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        auto cursor = users();
        QSignalSpy openSpy(cursor.get(), &TableCursor::recordChanged);
        cursor->open();
        QCOMPARE(openSpy.count(), 1);
        cursor->setRecNo(1);
        if (operation == QStringLiteral("next at end"))
            cursor->last();
        QSignalSpy changed(cursor.get(), &TableCursor::recordChanged);
        if (operation == QStringLiteral("first"))
            cursor->first();
        else if (operation.startsWith(QStringLiteral("next")))
            cursor->next();
        else if (operation == QStringLiteral("prior"))
            cursor->prior();
        else if (operation == QStringLiteral("last"))
            cursor->last();
        else if (operation == QStringLiteral("setRecNo"))
            cursor->setRecNo(2);
        else if (operation == QStringLiteral("locate found"))
            QVERIFY(cursor->locate(QStringLiteral("фамилия"), QStringLiteral("В")));
        else if (operation == QStringLiteral("locate missing"))
            QVERIFY(!cursor->locate(QStringLiteral("фамилия"), QStringLiteral("Я")));
        else if (operation == QStringLiteral("refresh"))
            cursor->refresh();
        else if (operation == QStringLiteral("post")) {
            cursor->edit();
            cursor->fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("1 - Курс"));
            cursor->post();
        } else if (operation == QStringLiteral("edit"))
            cursor->edit();
        else if (operation == QStringLiteral("append"))
            cursor->append();
        QCOMPARE(changed.count(), expected);
    }

    void locate_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("partial");
        QTest::addColumn<bool>("folded");
        QTest::addColumn<QString>("expected"); // empty: not found

        const QString ivanov = QStringLiteral("Иванов Иван");
        QTest::newRow("exact") << "фамилия"
                               << "Петров" << false << false << "Петров";
        QTest::newRow("exact is case-sensitive") << "фамилия"
                                                 << "петров" << false << false << "";
        QTest::newRow("exact needs the whole text") << "фамилия"
                                                    << "Иванов" << false << false << "";
        QTest::newRow("key name in other case") << "ФАМИЛИЯ"
                                                << "Петров" << false << false << "Петров";
        QTest::newRow("blanks around the key") << "  фамилия ; "
                                               << "Петров" << false << false << "Петров";
        QTest::newRow("folded Cyrillic") << "фамилия"
                                         << "петров" << false << true << "Петров";
        QTest::newRow("folded picks the first in order") << "фамилия"
                                                         << "ИВАНОВ ИВАН" << false << true << ivanov;
        QTest::newRow("folded Ё") << "фамилия"
                                  << "ёлкин" << false << true << "Ёлкин";
        QTest::newRow("partial") << "фамилия"
                                 << "Иван" << false << false << "";
        QTest::newRow("partial key") << "фамилия"
                                     << "Иван" << true << false << ivanov;
        QTest::newRow("partial is case-sensitive") << "фамилия"
                                                   << "иван" << true << false << "иванова мария";
        QTest::newRow("partial and folded") << "фамилия"
                                            << "ИВАНОВА" << true << true << "иванова мария";
        QTest::newRow("partial empty matches the first") << "фамилия"
                                                         << "" << true << false << ivanov;
        QTest::newRow("partial longer than any") << "фамилия"
                                                 << "Петрович" << true << true << "";
        QTest::newRow("Latin case folded") << "пароль"
                                           << "QWERTY" << false << true << "Петров";
    }

    void locate()
    {
        QFETCH(QString, keys);
        QFETCH(QString, value);
        QFETCH(bool, partial);
        QFETCH(bool, folded);
        QFETCH(QString, expected);
        m_db->exec(QStringLiteral("INSERT INTO Users (\"фамилия\", \"пароль\") VALUES ('Иванов Иван', 'a'),"
                                  "('иванова мария', 'b'), ('Петров', 'qwerty'), ('ИВАНОВ ИВАН', 'c'),"
                                  "('Ёлкин', 'd'), ('Сидоров', 'e')"));
        auto cursor = users();
        cursor->open();
        cursor->last();
        LocateOptions options;
        if (partial)
            options |= LocateOption::PartialKey;
        if (folded)
            options |= LocateOption::CaseInsensitive;
        const bool found = cursor->locate(keys, value, options);
        QCOMPARE(found, !expected.isEmpty());
        // Not found: nothing moves.
        QCOMPARE(name(*cursor), found ? expected : QStringLiteral("Сидоров"));
    }

    void locateTwoKeysInDetail()
    {
        addUsers({QStringLiteral("А"), QStringLiteral("Б")});
        m_db->exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (1, 1, 3), (2, 1, 4),"
                                  "(1, 2, 5), (2, 2, 2)"));
        auto master = users();
        auto detail = results(master.get());
        master->open();
        detail->open();
        QVERIFY(detail->locate(QStringLiteral("ID_Glava; ID_User"), QVariantList{2, 1}));
        QCOMPARE(detail->fieldByName(QStringLiteral("Ocenka")).asInteger(), 5);
        // The other user's row is outside the detail even though the file has it.
        QVERIFY(!detail->locate(QStringLiteral("ID_Glava;ID_User"), QVariantList{2, 2}));
        QCOMPARE(detail->fieldByName(QStringLiteral("Ocenka")).asInteger(), 5);
        QVERIFY_THROWS_EXCEPTION(DbError, detail->locate(QStringLiteral("ID_Glava; ID_User"), QVariantList{2}));
    }

    void fieldsByNameAndPosition()
    {
        auto detail = results(nullptr);
        // Declared fields are known before open, so grids can be bound to a closed cursor.
        QCOMPARE(detail->fieldIndex(QStringLiteral("GlavaCaption")), 3);
        QCOMPARE(detail->fieldIndex(QStringLiteral("ID_Glava")), 1);
        detail->open();
        QCOMPARE(detail->fieldNames(),
                 (QStringList{QStringLiteral("ID_User"), QStringLiteral("ID_glava"), QStringLiteral("Ocenka"),
                              QStringLiteral("GlavaCaption"), QStringLiteral("ID_Result")}));
        QCOMPARE(detail->fieldByName(QStringLiteral("id_GLAVA")).index(), 1);
        QVERIFY(detail->field(3).isLookup());
        try {
            detail->fieldByName(QStringLiteral("Отчество"));
            QFAIL("a missing field must throw");
        } catch (const DbError &e) {
            QVERIFY(e.message().contains(QStringLiteral("«Result»")));
            QVERIFY(e.message().contains(QStringLiteral("«Отчество»")));
        }
        QVERIFY_THROWS_EXCEPTION(DbError, detail->field(5));

        // Undeclared: the table's own columns in file order.
        TableCursor test3(m_connection.get(), QStringLiteral("Test3"));
        test3.open();
        QCOMPARE(test3.fieldCount(), 8);
        QCOMPARE(test3.field(1).name(), QStringLiteral("вопрос"));
        QCOMPARE(test3.field(7).name(), QStringLiteral("вариант"));
    }

    void nullCellsReadEmptyAndZero()
    {
        m_db->exec(QStringLiteral("INSERT INTO Result (ID_User) VALUES (NULL)"));
        auto cursor = results(nullptr);
        cursor->open();
        QVERIFY(cursor->fieldByName(QStringLiteral("Ocenka")).isNull());
        QCOMPARE(cursor->fieldByName(QStringLiteral("Ocenka")).asInteger(), 0);
        QCOMPARE(cursor->fieldByName(QStringLiteral("Ocenka")).asString(), QString());
        QCOMPARE(cursor->fieldByName(QStringLiteral("GlavaCaption")).asString(), QString());
    }

    void setTextCutsToWidth_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("stored");
        QTest::newRow("name 60") << "фамилия" << 60 << 50;
        QTest::newRow("name 50") << "фамилия" << 50 << 50;
        QTest::newRow("password 12") << "пароль" << 12 << 6;
        QTest::newRow("specialty 25") << "специальность" << 25 << 20;
        QTest::newRow("course 11") << "курс" << 11 << 10;
        QTest::newRow("path 150") << "путь" << 150 << 100;
    }

    void setTextCutsToWidth()
    {
        QFETCH(QString, field);
        QFETCH(int, length);
        QFETCH(int, stored);
        auto cursor = users();
        cursor->open();
        cursor->append();
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(u'а' + i % 32);
        cursor->fieldByName(field).setAsString(text);
        QCOMPARE(cursor->fieldByName(field).asString(), text.left(stored));
        cursor->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT length(\"%1\") FROM Users").arg(field)).toInt(), stored);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT \"%1\" FROM Users").arg(field)).toString(), text.left(stored));
    }

    // A text cut at the column's width keeps each character whole: an emoji with its modifiers or
    // a letter with its accent is stored whole or left out.
    void cutKeepsWholeCharacters_data()
    {
        QTest::addColumn<QString>("tail"); // after 48 letters, in a column of 50
        QTest::addColumn<QString>("stored");
        const QString thumb = QStringLiteral("👍🏽"); // two code points, one character
        QTest::newRow("third pair left out") << QStringLiteral("😀😀😀") << QStringLiteral("😀😀");
        QTest::newRow("modifier fits") << thumb << thumb;
        QTest::newRow("modifier would be cut off") << u'ж' + thumb << QStringLiteral("ж");
        QTest::newRow("family left out whole") << QStringLiteral("👨‍👩‍👧") << QString();
        QTest::newRow("accent would be cut off") << QStringLiteral("жи\u0306") << QStringLiteral("ж");
    }

    void cutKeepsWholeCharacters()
    {
        QFETCH(QString, tail);
        QFETCH(QString, stored);
        auto cursor = users();
        cursor->open();
        cursor->append();
        const QString letters(48, u'а');
        cursor->fieldByName(QStringLiteral("фамилия")).setAsString(letters + tail);
        cursor->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT \"фамилия\" FROM Users")).toString(), letters + stored);
    }

    void editOnEmptyActsAsInsert()
    {
        auto cursor = users();
        cursor->open();
        QVERIFY(cursor->isEmpty());
        cursor->edit();
        QCOMPARE(cursor->state(), CursorState::Insert);
        cursor->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Новый"));
        cursor->edit(); // while editing: nothing
        QCOMPARE(name(*cursor), QStringLiteral("Новый"));
        cursor->post();
        QCOMPARE(cursor->state(), CursorState::Browse);
        QCOMPARE(cursor->recordCount(), 1);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT \"фамилия\" FROM Users")).toString(), QStringLiteral("Новый"));
    }

    void postedNewRowGetsCounterAndStaysCurrent()
    {
        addUsers({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        auto cursor = users();
        cursor->open();
        cursor->setRecNo(1);
        cursor->append();
        QVERIFY(cursor->fieldByName(QStringLiteral("ID")).isNull());
        cursor->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Г"));
        cursor->post();
        QCOMPARE(cursor->fieldByName(QStringLiteral("ID")).asInteger(), 4);
        QCOMPARE(name(*cursor), QStringLiteral("Г"));
        QCOMPARE(cursor->recNo(), 3);
        QCOMPARE(cursor->recordCount(), 4);
    }

    void postedRowTakesItsPlaceInOrder()
    {
        m_db->exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('D', '4'), ('B', '2')"));
        auto cursor = settings();
        cursor->open();
        cursor->insert();
        cursor->fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("C"));
        cursor->post();
        QCOMPARE(cursor->recNo(), 1);
        QStringList order;
        for (cursor->first(); !cursor->eof(); cursor->next())
            order.append(cursor->fieldByName(QStringLiteral("Name")).asString());
        QCOMPARE(order, (QStringList{QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")}));
    }

    void staticSnapshotAndRefreshKeepsCurrentRow()
    {
        m_db->exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('M', '1'), ('T', '2')"));
        auto cursor = settings();
        cursor->open();
        QVERIFY(cursor->locate(QStringLiteral("Name"), QStringLiteral("T")));
        m_db->exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('A', '0')"));
        QCOMPARE(cursor->recordCount(), 2);
        cursor->refresh();
        QCOMPARE(cursor->recordCount(), 3);
        QCOMPARE(cursor->fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("T"));
        QCOMPARE(cursor->recNo(), 2);
        // The current row gone: the position stays.
        m_db->exec(QStringLiteral("DELETE FROM System WHERE Name = 'T'"));
        cursor->refresh();
        QCOMPARE(cursor->recNo(), 1);
        QCOMPARE(cursor->fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("M"));
    }

    // A read that fails (here: the file held by another program) keeps a re-read cursor on its
    // rows and current row, and leaves a detail that follows its master empty rather than with
    // the previous master row's rows.
    void failedReadLeavesSafeRows_data()
    {
        QTest::addColumn<bool>("masterMoves");
        QTest::newRow("re-read") << false;
        QTest::newRow("master moves") << true;
    }
    void failedReadLeavesSafeRows()
    {
        QFETCH(bool, masterMoves);
        if (DataFixture::onServer())
            QSKIP("a file held by another program");
        addUsers({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        m_db->exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (1, 1, 3), (2, 1, 4)"));
        auto master = users();
        auto grades = results(master.get());
        master->open();
        grades->open();
        master->next();
        const int ocenka = grades->fieldIndex(QStringLiteral("Ocenka"));
        QCOMPARE(grades->valueAt(0, ocenka).toInt(), 4);

        Connection::setBusyTimeout(20);
        FileHolder other(m_db->file(), true);
        QVERIFY_THROWS_EXCEPTION(DbError, masterMoves ? master->next() : grades->refresh());
        other.release();
        Connection::setBusyTimeout(0);

        if (masterMoves) {
            QCOMPARE(name(*master), QStringLiteral("В"));
            QVERIFY(grades->isEmpty());
            QCOMPARE(grades->recNo(), -1);
        } else {
            QCOMPARE(grades->recordCount(), 1);
            QCOMPARE(grades->recNo(), 0);
            QCOMPARE(grades->fieldByName(QStringLiteral("Ocenka")).asInteger(), 4);
        }
    }

    // Refresh skips the re-read when the file is unchanged; every way the rows can change must
    // still show. The cursor has just posted an edit, as the reader does with the page path.
    void refreshSeesEveryChange_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("current");
        const QString a = QStringLiteral("А");
        const QString b = QStringLiteral("Б");
        const QString c = QStringLiteral("В");
        const QString d = QStringLiteral("Г");
        QTest::newRow("nothing") << int(Nothing) << QStringList{a, b, c} << b;
        QTest::newRow("another program inserts") << int(OtherProgramInserts) << QStringList{a, b, c, d} << b;
        QTest::newRow("another program deletes") << int(OtherProgramDeletes) << QStringList{b, c} << b;
        QTest::newRow("another cursor inserts") << int(OtherCursorInserts) << QStringList{a, b, c, d} << b;
        QTest::newRow("another cursor, table named in capitals, inserts")
            << int(CapitalsCursorInserts) << QStringList{a, b, c, d} << b;
        QTest::newRow("same connection deletes") << int(SameConnectionDeletes) << QStringList{a, b} << b;
        QTest::newRow("table made anew, empty") << int(TableMadeAnew) << QStringList{} << QString();
        QTest::newRow("own insert rolled back") << int(OwnInsertRolledBack) << QStringList{a, b, c} << c;
        QTest::newRow("own insert") << int(OwnInsert) << QStringList{a, b, c, d} << d;
    }

    void refreshSeesEveryChange()
    {
        QFETCH(int, change);
        QFETCH(QStringList, expected);
        QFETCH(QString, current);
        addUsers({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        auto cursor = users();
        cursor->open();
        QVERIFY(cursor->locate(QStringLiteral("фамилия"), QStringLiteral("Б")));
        cursor->edit();
        cursor->fieldByName(QStringLiteral("путь")).setAsString(QStringLiteral("Glaves\\Glava1.html"));
        cursor->post();
        const auto insertThrough = [](TableCursor &c) {
            c.append();
            c.fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Г"));
            c.post();
        };
        const auto sameConnection = [this](const char *sql) { m_connection->execute(QString::fromUtf8(sql)); };
        switch (change) {
        case OtherProgramInserts:
            addUsers({QStringLiteral("Г")});
            break;
        case OtherProgramDeletes:
            m_db->exec(QStringLiteral("DELETE FROM Users WHERE \"фамилия\" = 'А'"));
            break;
        case OtherCursorInserts: {
            auto other = users();
            other->open();
            insertThrough(*other);
            break;
        }
        case SameConnectionDeletes:
            sameConnection("DELETE FROM Users WHERE \"фамилия\" = 'В'");
            break;
        case TableMadeAnew:
            if (DataFixture::onServer())
                QSKIP("the file's schema version");
            // Dropping a table counts no changed rows; only the schema shows it.
            sameConnection("DROP TABLE Users");
            sameConnection("CREATE TABLE Users (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "\"фамилия\" TEXT(50), \"пароль\" TEXT(6), \"специальность\" TEXT(20), "
                           "\"курс\" TEXT(10), \"путь\" TEXT(100))");
            break;
        case OwnInsertRolledBack:
            // Undone by an outer transaction after the cursor took the row in.
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_connection->inTransaction([&] {
                insertThrough(*cursor);
                throw std::runtime_error("undo");
            }));
            break;
        case OwnInsert:
            insertThrough(*cursor);
            break;
        case CapitalsCursorInserts: {
            TableCursor other(m_connection.get(), QStringLiteral("USERS"));
            other.open();
            insertThrough(other);
            break;
        }
        default:
            break;
        }
        cursor->refresh();
        QStringList names;
        for (int row = 0; row < cursor->recordCount(); ++row)
            names.append(cursor->valueAt(row, 1).toString());
        QCOMPARE(names, expected);
        QCOMPARE(cursor->isEmpty() ? QString() : name(*cursor), current);
    }

    void pendingRowRule_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("inserting");
        QTest::addColumn<bool>("fieldSet");
        for (const char *op : {"locate", "first", "next", "refresh", "prior", "last", "setRecNo", "insert"}) {
            for (const bool inserting : {false, true}) {
                for (const bool set : {false, true}) {
                    QTest::addRow("%s %s %s", op, inserting ? "insert" : "edit", set ? "set" : "untouched")
                        << QString::fromLatin1(op) << inserting << set;
                }
            }
        }
    }

    void pendingRowRule()
    {
        QFETCH(QString, operation);
        QFETCH(bool, inserting);
        QFETCH(bool, fieldSet);
        addUsers({QStringLiteral("А"), QStringLiteral("Б")});
        auto cursor = users();
        cursor->open();
        if (inserting)
            cursor->append();
        else
            cursor->edit();
        if (fieldSet)
            cursor->fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("2 - Курс"));

        if (operation == QStringLiteral("locate"))
            cursor->locate(QStringLiteral("фамилия"), QStringLiteral("Б"));
        else if (operation == QStringLiteral("first"))
            cursor->first();
        else if (operation == QStringLiteral("next"))
            cursor->next();
        else if (operation == QStringLiteral("refresh"))
            cursor->refresh();
        else if (operation == QStringLiteral("prior"))
            cursor->prior();
        else if (operation == QStringLiteral("last"))
            cursor->last();
        else if (operation == QStringLiteral("setRecNo"))
            cursor->setRecNo(1);
        else if (operation == QStringLiteral("insert"))
            cursor->insert();

        QCOMPARE(cursor->state(), operation == QStringLiteral("insert") ? CursorState::Insert : CursorState::Browse);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), inserting && fieldSet ? 3 : 2);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM Users WHERE \"курс\" = '2 - Курс'")).toInt(),
                 fieldSet ? 1 : 0);
        if (!inserting && fieldSet)
            QCOMPARE(m_db->scalar(QStringLiteral("SELECT \"фамилия\" FROM Users WHERE \"курс\" IS NOT NULL")),
                     QVariant(QStringLiteral("А")));
    }

    void editingRules()
    {
        addUsers({QStringLiteral("А")});
        auto cursor = users();
        cursor->open();
        try {
            cursor->fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("x"));
            QFAIL("setting a field in browse state must throw");
        } catch (const DbError &e) {
            QVERIFY(e.message().contains(QStringLiteral("Users")));
        }
        // Post outside edit or insert: nothing.
        cursor->post();
        // Close drops a pending row.
        cursor->edit();
        cursor->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Изменён"));
        cursor->close();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT \"фамилия\" FROM Users")).toString(), QStringLiteral("А"));
        cursor->open();
        QCOMPARE(cursor->state(), CursorState::Browse);
        // Cancel forgets the pending values.
        cursor->edit();
        cursor->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Изменён"));
        cursor->cancel();
        QCOMPARE(name(*cursor), QStringLiteral("А"));
        // A lookup field is computed, never written.
        auto detail = results(nullptr);
        detail->open();
        detail->append();
        QVERIFY_THROWS_EXCEPTION(DbError, detail->fieldByName(QStringLiteral("GlavaCaption")).setAsString({}));
    }

    void masterDetailFollowsEveryMove()
    {
        addUsers({QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")});
        m_db->exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (1, 1, 3), (2, 1, 4),"
                                  "(1, 2, 5), (3, 3, 0), (3, 1, 2), (3, 2, 4)"));
        auto master = users();
        auto detail = results(master.get());
        detail->open();
        QVERIFY(detail->isEmpty()); // master closed
        master->open();
        QCOMPARE(detail->recordCount(), 2);

        QSignalSpy detailChanged(detail.get(), &TableCursor::recordChanged);
        const auto grades = [&] {
            QList<int> list;
            for (int row = 0; row < detail->recordCount(); ++row)
                list.append(detail->valueAt(row, detail->fieldIndex(QStringLiteral("Ocenka"))).toInt());
            return list;
        };
        QCOMPARE(grades(), (QList<int>{3, 5}));
        master->next();
        QCOMPARE(grades(), (QList<int>{4}));
        master->next();
        QCOMPARE(grades(), (QList<int>{0, 2, 4}));
        master->next(); // at end: no move, rows kept
        QCOMPARE(grades(), (QList<int>{0, 2, 4}));
        QVERIFY(master->locate(QStringLiteral("фамилия"), QStringLiteral("Б")));
        QCOMPARE(grades(), (QList<int>{4}));
        QCOMPARE(detailChanged.count(), 3);
        QCOMPARE(detail->recNo(), 0);

        // Stored elsewhere: seen after the master re-reads.
        m_db->exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (2, 5, 5)"));
        master->refresh();
        QCOMPARE(grades(), (QList<int>{4, 5}));

        master->close();
        QVERIFY(detail->isOpen());
        QVERIFY(detail->isEmpty());
        master->open();
        QCOMPARE(grades(), (QList<int>{3, 5}));
    }

    void newDetailRowBelongsToTheMasterRow()
    {
        addUsers({QStringLiteral("А"), QStringLiteral("Б")});
        auto master = users();
        auto detail = results(master.get());
        master->open();
        detail->open();
        master->last();
        detail->append();
        detail->fieldByName(QStringLiteral("ID_Glava")).setAsInteger(4);
        detail->post();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT ID_User FROM Result")).toInt(), 2);
        QCOMPARE(detail->recordCount(), 1);
        QCOMPARE(detail->fieldByName(QStringLiteral("ID_Result")).asInteger(), 1);
    }

    void lookupColumnCutsAndMisses()
    {
        const QString longCaption = QString(40, u'Г') + QString(80, u'л');
        m_db->exec(
            QStringLiteral("INSERT INTO Glaves (ID_Glava, Caption) VALUES (1, 'Глава1'), (2, '%1')").arg(longCaption));
        m_db->exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (1, 1, 3), (1, 2, 4),"
                                  "(1, 9, 5)"));
        auto cursor = results(nullptr);
        cursor->open();
        QCOMPARE(cursor->field(3).asString(), QStringLiteral("Глава1"));
        QCOMPARE(cursor->field(3).size(), 100);
        QCOMPARE(cursor->valueAt(1, 3).toString(), longCaption.left(100));
        QCOMPARE(cursor->valueAt(2, 3).toString(), QString());
        // A pending row shows the caption of the chapter it names.
        cursor->edit();
        cursor->fieldByName(QStringLiteral("ID_glava")).setAsInteger(2);
        QCOMPARE(cursor->field(3).asString(), longCaption.left(100));
        cursor->post();
        QCOMPARE(cursor->field(3).asString(), longCaption.left(100));
    }

    void indexOrder()
    {
        m_db->exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('Minimum', '1'), ('BadPercent', '2'),"
                                  "('Min', '3'), ('Min', '4')"));
        auto cursor = settings();
        cursor->open();
        QStringList order;
        for (cursor->first(); !cursor->eof(); cursor->next())
            order.append(cursor->fieldByName(QStringLiteral("Value")).asString());
        // By Name, ties in the order the rows were stored.
        QCOMPARE(order,
                 (QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("1")}));

        m_db->exec(QStringLiteral("DROP INDEX Name"));
        auto noIndex = settings();
        try {
            noIndex->open();
            QFAIL("a missing index must throw");
        } catch (const DbError &e) {
            QVERIFY(e.message().contains(QStringLiteral("«Name»")));
        }
        QVERIFY(!noIndex->isOpen());
    }

    void textsStoredVerbatim_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("quote") << "O'Брайен";
        QTest::newRow("double quote") << "\"Кавычки\"";
        QTest::newRow("semicolon") << "а; б; в";
        QTest::newRow("SQL") << "'); DROP TABLE Users; --";
        QTest::newRow("percent and arg") << "100% %1 %2";
        QTest::newRow("like wildcards") << "_%_";
    }

    void textsStoredVerbatim()
    {
        QFETCH(QString, text);
        addUsers({QStringLiteral("Другой")});
        auto cursor = users();
        cursor->open();
        cursor->append();
        cursor->fieldByName(QStringLiteral("фамилия")).setAsString(text);
        cursor->post();
        cursor->first();
        QVERIFY(cursor->locate(QStringLiteral("фамилия"), text));
        QCOMPARE(name(*cursor), text);
        cursor->first();
        QVERIFY(cursor->locate(QStringLiteral("фамилия"), text, LocateOption::PartialKey));
        QCOMPARE(name(*cursor), text);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), 2);
    }

    void integerConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("number") << "20" << true << 20;
        QTest::newRow("negative") << "-7" << true << -7;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("word") << "двадцать" << false << 0;
        QTest::newRow("decimal") << "1.5" << false << 0;
        QTest::newRow("too big") << "2147483648" << false << 0;
    }

    void integerConversion()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        m_db->exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('Min', '%1')").arg(text));
        auto cursor = settings();
        cursor->open();
        const QString expectedError = QStringLiteral("'%1' is not a valid integer value").arg(text);
        if (valid) {
            QCOMPARE(cursor->fieldByName(QStringLiteral("Value")).asInteger(), value);
        } else {
            try {
                cursor->fieldByName(QStringLiteral("Value")).asInteger();
                QFAIL("must throw");
            } catch (const DbError &e) {
                QCOMPARE(e.message(), expectedError);
            }
        }
        // Text written to an integer column is converted the same way; an empty text is null.
        auto detail = results(nullptr);
        detail->open();
        detail->append();
        if (valid || text.isEmpty()) {
            detail->fieldByName(QStringLiteral("Ocenka")).setAsString(text);
            QCOMPARE(detail->fieldByName(QStringLiteral("Ocenka")).asInteger(), value);
        } else {
            try {
                detail->fieldByName(QStringLiteral("Ocenka")).setAsString(text);
                QFAIL("must throw");
            } catch (const DbError &e) {
                QCOMPARE(e.message(), expectedError);
            }
        }
    }

    void largeTableKeepsOrderAndFinds()
    {
        // Enough rows that the row cache is emptied while walking.
        m_db->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                                  "INSERT INTO Users (\"фамилия\") SELECT 'Студент ' || i FROM n"));
        auto cursor = users();
        cursor->open();
        int count = 0;
        for (cursor->first(); !cursor->eof(); cursor->next()) {
            ++count;
            QCOMPARE(cursor->fieldByName(QStringLiteral("ID")).asInteger(), count);
        }
        QCOMPARE(count, 2000);
        QVERIFY(cursor->locate(QStringLiteral("фамилия"), QStringLiteral("Студент 1500")));
        QCOMPARE(cursor->recNo(), 1499);
        QVERIFY(cursor->locate(QStringLiteral("фамилия"), QStringLiteral("студент 77"),
                               LocateOption::PartialKey | LocateOption::CaseInsensitive));
        QCOMPARE(cursor->recNo(), 76);
        QCOMPARE(cursor->valueAt(9, 0).toInt(), 10);
    }
};

QTEST_GUILESS_MAIN(TestTableCursor)
#include "tst_tablecursor.moc"
