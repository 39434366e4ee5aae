// Bringing a student's or a class's record up to a newer installed course.

#include "data/CourseUpgrade.h"
#include "data/DbError.h"
#include "tests/data/DataFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

const QDate today(2026, 9, 1);

// Glaves and the course's version; "1:Глава1,2:Глава2" lists chapters as ID:Caption.
void setCourse(const DataFixture &db, const QString &chapters, const QString &version)
{
    db.exec(QStringLiteral("DELETE FROM Glaves; DELETE FROM System WHERE Name = 'CourseVersion';"));
    if (!version.isEmpty())
        db.exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('CourseVersion', '%1')").arg(version));
    for (const QString &chapter : chapters.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = chapter.split(u':');
        db.exec(QStringLiteral("INSERT INTO Glaves (ID_Glava, Caption) VALUES (%1, '%2')").arg(parts[0], parts[1]));
    }
}

QString chapters(const DataFixture &db)
{
    return db
        .scalar(QStringLiteral("SELECT group_concat(ID_Glava || ':' || Caption, ',') FROM "
                               "(SELECT * FROM Glaves ORDER BY ID_Glava)"))
        .toString();
}

void addQuestion(const DataFixture &db, const QString &question)
{
    db.exec(QStringLiteral("INSERT INTO Test1 (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", "
                           "\"вариант\") VALUES ('%1', 'a', 'b', 'c', 'd', 'e', 'A')")
                .arg(question));
}

QByteArray contents(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList backups(const DataFixture &db)
{
    return QDir(db.folder()).entryList({QStringLiteral("Data.mdb.bak-*")}, QDir::Files);
}

} // namespace

class TestCourseUpgrade : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A changed question bank reaches the record; students, grades and the record's settings stay.
    void changedCourse()
    {
        DataFixture record;
        DataFixture installed;
        setCourse(record, QStringLiteral("1:Глава1,2:Глава2"), QStringLiteral("old"));
        setCourse(installed, QStringLiteral("1:Глава1,2:Глава2"), QStringLiteral("new"));
        addQuestion(record, QStringLiteral("Старый вопрос"));
        addQuestion(installed, QStringLiteral("Новый вопрос"));
        installed.exec(QStringLiteral("INSERT INTO present (tema, file) VALUES ('Тема', 'a.pdf')"));
        record.exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('Min', '30');"
                                   "INSERT INTO Users (ID, \"фамилия\", \"пароль\", \"путь\") VALUES (7, 'Иванов', "
                                   "'pw', 'Glaves\\Glava2.htm');"
                                   "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (7, 1, 5), (7, 2, 3);"
                                   "CREATE TABLE Notes (note TEXT); INSERT INTO Notes VALUES ('своя таблица');"));
        installed.exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('Min', '20'), ('Новый', '1');"));
        QFile(record.file())
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);

        const QString backup = upgradeCourse(record.file(), installed.file(), today);

        QCOMPARE(backup, record.file() + QStringLiteral(".bak-2026-09-01"));
        QCOMPARE(rawsql::scalar(backup, QStringLiteral("SELECT group_concat(\"вопрос\") || count(*) FROM Test1, Users"))
                     .toString(),
                 QStringLiteral("Старый вопрос1"));
        const auto mode = [](const QString &file) { return QFileInfo(file).permissions() & 0x7077; };
        QCOMPARE(mode(backup), mode(record.file()));
        QCOMPARE(record.scalar(QStringLiteral("SELECT group_concat(\"вопрос\") FROM Test1")).toString(),
                 QStringLiteral("Новый вопрос"));
        QCOMPARE(record.scalar(QStringLiteral("SELECT tema FROM present")).toString(), QStringLiteral("Тема"));
        QCOMPARE(record
                     .scalar(QStringLiteral("SELECT group_concat(Name || '=' || Value) FROM "
                                            "(SELECT * FROM System ORDER BY Name)"))
                     .toString(),
                 QStringLiteral("CourseVersion=new,Min=30,Новый=1"));
        QCOMPARE(record.scalar(QStringLiteral("SELECT \"фамилия\" || \"пароль\" || \"путь\" FROM Users WHERE ID = 7"))
                     .toString(),
                 QStringLiteral("ИвановpwGlaves\\Glava2.htm"));
        QCOMPARE(record.scalar(QStringLiteral("SELECT group_concat(ID_glava || '=' || Ocenka) FROM Result")).toString(),
                 QStringLiteral("1=5,2=3"));
        QCOMPARE(record.scalar(QStringLiteral("SELECT note FROM Notes")).toString(), QStringLiteral("своя таблица"));

        // Up to date now: a second start changes nothing and copies nothing.
        const QByteArray upgraded = contents(record.file());
        QCOMPARE(upgradeCourse(record.file(), installed.file(), today), QString());
        QCOMPARE(contents(record.file()), upgraded);
        QCOMPARE(backups(record).size(), 1);
    }

    void nothingToDo_data()
    {
        QTest::addColumn<QString>("recordVersion");
        QTest::addColumn<QString>("installedVersion");
        QTest::addColumn<bool>("sameFile");
        QTest::newRow("same course") << "v1"
                                     << "v1" << false;
        QTest::newRow("installed names no course") << "v1"
                                                   << "" << false;
        QTest::newRow("one file") << ""
                                  << "v1" << true;
    }
    void nothingToDo()
    {
        QFETCH(QString, recordVersion);
        QFETCH(QString, installedVersion);
        QFETCH(bool, sameFile);
        DataFixture record;
        DataFixture installed;
        setCourse(record, QStringLiteral("1:Глава1"), recordVersion);
        setCourse(installed, QStringLiteral("1:Другая"), installedVersion);
        const QByteArray before = contents(record.file());
        const QString from = sameFile ? record.folder() + QStringLiteral("./Data.mdb") : installed.file();
        QCOMPARE(upgradeCourse(record.file(), from, today), QString());
        QCOMPARE(contents(record.file()), before);
        QVERIFY(backups(record).isEmpty());
    }

    // Result names chapters by ID: a chapter keeps the ID its grades use.
    void chaptersKeepTheirIds_data()
    {
        QTest::addColumn<QString>("recordChapters");
        QTest::addColumn<QString>("graded"); // chapter IDs with grades in the record
        QTest::addColumn<QString>("installedChapters");
        QTest::addColumn<QString>("expected");
        QTest::newRow("other IDs") << "1:Глава1,2:Глава2"
                                   << "1,2"
                                   << "5:Глава1,6:Глава2"
                                   << "1:Глава1,2:Глава2";
        QTest::newRow("swapped") << "1:Глава1,2:Глава2"
                                 << "1,2"
                                 << "1:Глава2,2:Глава1"
                                 << "1:Глава1,2:Глава2";
        QTest::newRow("new chapter") << "1:Глава1"
                                     << "1"
                                     << "1:Глава1,2:Глава2"
                                     << "1:Глава1,2:Глава2";
        QTest::newRow("new chapter on a graded ID") << "1:Глава1,2:Старая"
                                                    << "2"
                                                    << "1:Глава1,2:Новая"
                                                    << "1:Глава1,2:Старая,3:Новая";
        QTest::newRow("dropped, no grades") << "1:Глава1,2:Старая"
                                            << "1"
                                            << "1:Глава1"
                                            << "1:Глава1";
        QTest::newRow("grade of a chapter long gone") << "1:Глава1"
                                                      << "1,4"
                                                      << "1:Глава1,4:Глава4"
                                                      << "1:Глава1,5:Глава4";
    }
    void chaptersKeepTheirIds()
    {
        QFETCH(QString, recordChapters);
        QFETCH(QString, graded);
        QFETCH(QString, installedChapters);
        QFETCH(QString, expected);
        DataFixture record;
        DataFixture installed;
        setCourse(record, recordChapters, QStringLiteral("old"));
        setCourse(installed, installedChapters, QStringLiteral("new"));
        for (const QString &id : graded.split(u','))
            record.exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (1, %1, 4)").arg(id));
        QVERIFY(!upgradeCourse(record.file(), installed.file(), today).isEmpty());
        QCOMPARE(chapters(record), expected);
    }

    // A failure half-way leaves the record as it was, and no backup behind.
    void failureLeavesTheRecord()
    {
        DataFixture record;
        DataFixture installed;
        setCourse(record, QStringLiteral("1:Глава1"), QStringLiteral("old"));
        setCourse(installed, QStringLiteral("1:Глава1"), QStringLiteral("new"));
        addQuestion(record, QStringLiteral("Старый вопрос"));
        addQuestion(installed, QStringLiteral("Новый вопрос"));
        // The course tables are replaced first; then System refuses the new version.
        record.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON System BEGIN SELECT RAISE(ABORT, 'нет'); END"));
        const QByteArray before = contents(record.file());
        try {
            upgradeCourse(record.file(), installed.file(), today);
            QFAIL("the upgrade did not fail");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("отказалась")), qPrintable(e.message()));
        }
        QCOMPARE(contents(record.file()), before);
        QVERIFY(backups(record).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCourseUpgrade)
#include "tst_courseupgrade.moc"
