// The data module: its cursors, the order it opens and closes them, and the settings lookup.

#include "data/Connection.h"
#include "data/DataSource.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "tests/data/DataFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QList<TableCursor *> allCursors(const TData &data)
{
    return {data.UserTab,  data.SystemTab, data.GlavesTab, data.ResultTab, data.Test1Tab,
            data.Test2Tab, data.Test3Tab,  data.Test4Tab,  data.Test5Tab,  data.Test6Tab};
}

// Names of the cursors in the order they opened or closed.
QStringList *recordActivity(const TData &data, QObject *context)
{
    auto *log = new QStringList;
    QObject::connect(context, &QObject::destroyed, [log] { delete log; });
    for (TableCursor *cursor : allCursors(data))
        QObject::connect(cursor, &TableCursor::activeChanged, context,
                         [log, cursor](bool) { log->append(cursor->objectName()); });
    return log;
}

} // namespace

class TestDataModule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createdClosed()
    {
        TData data;
        QVERIFY(!data.Connect->isOpen());
        for (TableCursor *cursor : allCursors(data))
            QVERIFY2(!cursor->isOpen(), qPrintable(cursor->objectName()));
        QCOMPARE(data.DataSource1->dataSet(), data.UserTab);
        QCOMPARE(data.DataSource4->dataSet(), data.ResultTab);
        QCOMPARE(data.DataSource5->dataSet(), data.Test1Tab);
        QCOMPARE(data.DataSource10->dataSet(), data.Test6Tab);
        QCOMPARE(data.testTab(3), data.Test3Tab);
        QCOMPARE(data.testTab(7), nullptr);
        QCOMPARE(data.findChild<TableCursor *>(QStringLiteral("ResultTab")), data.ResultTab);
        // The module never sets the global instance itself.
        QCOMPARE(Data, nullptr);
    }

    void columnPositions()
    {
        DataFixture db;
        TData data;
        data.connectTo(db.folder());
        QCOMPARE(data.UserTab->field(1).name(), QStringLiteral("фамилия"));
        QCOMPARE(data.UserTab->field(5).name(), QStringLiteral("путь"));
        QCOMPARE(data.ResultTab->field(0).name(), QStringLiteral("ID_User"));
        QCOMPARE(data.ResultTab->field(3).name(), QStringLiteral("GlavaCaption"));
        QCOMPARE(data.ResultTab->field(3).size(), 100);
        data.Test1Tab->open();
        data.Test4Tab->open();
        QCOMPARE(data.Test1Tab->field(7).size(), 2);
        QCOMPARE(data.Test4Tab->fieldCount(), 8);
        QCOMPARE(data.Test4Tab->field(7).size(), 255);
    }

    void openAndCloseOrder()
    {
        DataFixture db;
        TData data;
        QObject context;
        QStringList *log = recordActivity(data, &context);
        data.connectTo(db.folder());
        QCOMPARE(*log, (QStringList{QStringLiteral("UserTab"), QStringLiteral("SystemTab"), QStringLiteral("ResultTab"),
                                    QStringLiteral("GlavesTab")}));
        for (TableCursor *cursor : allCursors(data))
            cursor->open();
        log->clear();
        data.close();
        QCOMPARE(*log, (QStringList{QStringLiteral("UserTab"), QStringLiteral("GlavesTab"), QStringLiteral("SystemTab"),
                                    QStringLiteral("Test1Tab"), QStringLiteral("Test2Tab"), QStringLiteral("Test3Tab"),
                                    QStringLiteral("Test4Tab"), QStringLiteral("Test5Tab"), QStringLiteral("Test6Tab"),
                                    QStringLiteral("ResultTab")}));
        QVERIFY(data.Connect->isOpen());
        data.connectTo(db.folder());
        log->clear();
        data.SetTablesActive(false);
        QCOMPARE(*log, (QStringList{QStringLiteral("UserTab"), QStringLiteral("SystemTab"), QStringLiteral("ResultTab"),
                                    QStringLiteral("GlavesTab")}));
    }

    void connectingAgain()
    {
        DataFixture db;
        DataFixture other;
        TData data;
        data.connectTo(db.folder());
        data.UserTab->close();
        // The sign-in window shown again: the same file is no error.
        data.connectTo(db.folder());
        QVERIFY(data.UserTab->isOpen());
        // Another file while open is refused and leaves the cursors as they were.
        QVERIFY_THROWS_EXCEPTION(DbError, data.connectTo(other.folder()));
        QVERIFY(data.UserTab->isOpen());
        Connection expected;
        db.point(expected);
        QCOMPARE(data.Connect->place(), expected.place());
        QCOMPARE(data.Connect->server(), expected.server());
    }

    void missingDatabase()
    {
        QTemporaryDir dir;
        TData data;
        QVERIFY_THROWS_EXCEPTION(DbError, data.connectTo(dir.path() + u'/'));
        QVERIFY(!data.UserTab->isOpen());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Data.mdb"))));
        // Closed: the lookup finds nothing without searching.
        QCOMPARE(data.GetSystemValue(QStringLiteral("Min")), QString());
    }

    void getSystemValue_data()
    {
        QTest::addColumn<QStringList>("rows"); // name=value, in the order they are stored
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QStringList settings{QStringLiteral("Minimum=99"), QStringLiteral("Min=20"),
                                   QStringLiteral("FinePercent=90")};
        QTest::newRow("exact name sorts first") << settings << "Min"
                                                << "20";
        QTest::newRow("stored first") << QStringList{QStringLiteral("Min=20"), QStringLiteral("Minimum=99")} << "Min"
                                      << "20";
        QTest::newRow("only a longer name") << QStringList{QStringLiteral("Minimum=99")} << "Min"
                                            << "99";
        QTest::newRow("leading part") << settings << "Fine"
                                      << "90";
        QTest::newRow("missing key") << settings << "GoodPercent"
                                     << "";
        QTest::newRow("case not folded") << settings << "min"
                                         << "";
        QTest::newRow("empty table") << QStringList{} << "Min"
                                     << "";
        QTest::newRow("empty value") << QStringList{QStringLiteral("Min=")} << "Min"
                                     << "";
        QTest::newRow("Cyrillic key") << QStringList{QStringLiteral("Минуты=15")} << "Мин"
                                      << "15";
    }

    void getSystemValue()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        DataFixture db;
        for (const QString &row : rows) {
            const QStringList parts = row.split(u'=');
            db.exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('%1', '%2')").arg(parts[0], parts[1]));
        }
        TData data;
        data.connectTo(db.folder());
        QCOMPARE(data.GetSystemValue(key), expected);
    }

    void dataSourceForwardsRecordChanges()
    {
        DataFixture db;
        db.exec(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('А'), ('Б');"
                               "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (2, 1, 4)"));
        TData data;
        QSignalSpy users(data.DataSource1, &DataSource::dataChange);
        QSignalSpy results(data.DataSource4, &DataSource::dataChange);
        data.connectTo(db.folder());
        QCOMPARE(users.count(), 1);
        users.clear();
        results.clear();
        data.UserTab->next();
        QCOMPARE(users.count(), 1);
        QCOMPARE(results.count(), 1);
        QCOMPARE(data.ResultTab->fieldByName(QStringLiteral("Ocenka")).asInteger(), 4);
        data.DataSource1->setDataSet(nullptr);
        data.UserTab->first();
        QCOMPARE(users.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDataModule)
#include "tst_datamodule.moc"
