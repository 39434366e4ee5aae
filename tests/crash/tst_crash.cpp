// Kills a process that registers students and stores grades at random moments, and checks
// after each kill that the file is intact and that every grade whose post had returned is there.

#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "tests/support/RawSql.h"
#include "tests/support/TestFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <cstdio>

namespace {

// The child: the program's own data layer, writing as fast as it can until it is killed.
int runWriter(const QString &folder)
{
    TData data;
    data.connectTo(folder);
    for (int i = 0;; ++i) {
        data.UserTab->append();
        data.UserTab->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Студент %1").arg(i));
        data.UserTab->fieldByName(QStringLiteral("пароль")).setAsString(QStringLiteral("п%1").arg(i % 1000));
        data.UserTab->fieldByName(QStringLiteral("специальность")).setAsString(QStringLiteral("Психология"));
        data.UserTab->fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("1 - Курс"));
        data.UserTab->post();
        const int user = data.UserTab->fieldByName(QStringLiteral("ID")).asInteger();
        std::printf("user %d\n", user);
        std::fflush(stdout);

        const int grade = 2 + i % 4;
        data.ResultTab->append();
        data.ResultTab->fieldByName(QStringLiteral("ID_User")).setAsInteger(user);
        data.ResultTab->fieldByName(QStringLiteral("ID_Glava")).setAsInteger(1 + i % 6);
        data.ResultTab->fieldByName(QStringLiteral("Ocenka")).setAsInteger(0);
        data.ResultTab->post();
        data.ResultTab->edit();
        data.ResultTab->fieldByName(QStringLiteral("Ocenka")).setAsInteger(grade);
        data.ResultTab->post();
        std::printf("grade %d %d\n", user, grade);
        std::fflush(stdout);
    }
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWriterLosesNothingPosted()
    {
        TestFolder folder;
        constexpr int runs = 100;
        int integrityFailures = 0;
        int lostUsers = 0;
        int lostGrades = 0;
        int postedGrades = 0;
        for (int run = 0; run < runs; ++run) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::SeparateChannels);
            writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--writer"), folder.path()});
            QVERIFY2(writer.waitForStarted(), "writer did not start");
            // Let it get going, then kill it somewhere in the middle of its work.
            writer.waitForReadyRead(5000);
            QThread::usleep(QRandomGenerator::global()->bounded(1000, 40000));
            writer.kill();
            writer.waitForFinished();
            const QStringList lines =
                QString::fromUtf8(writer.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);

            const QString file = folder.databaseFile();
            if (rawsql::scalar(file, QStringLiteral("PRAGMA integrity_check")).toString() != u"ok")
                ++integrityFailures;
            for (const QString &line : lines) {
                const QStringList parts = line.split(u' ');
                if (parts.value(0) == u"user") {
                    const QVariant count = rawsql::scalar(
                        file, QStringLiteral("SELECT count(*) FROM Users WHERE ID = ?"), {parts.value(1).toInt()});
                    if (count.toInt() != 1)
                        ++lostUsers;
                } else if (parts.value(0) == u"grade") {
                    ++postedGrades;
                    const QVariant count = rawsql::scalar(
                        file, QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = ? AND Ocenka = ?"),
                        {parts.value(1).toInt(), parts.value(2).toInt()});
                    if (count.toInt() != 1)
                        ++lostGrades;
                }
            }
        }
        qInfo("crash runs: %d, integrity failures: %d, grades posted before the kill: %d, lost grades: %d, lost "
              "users: %d",
              runs, integrityFailures, postedGrades, lostGrades, lostUsers);
        QCOMPARE(integrityFailures, 0);
        QCOMPARE(lostGrades, 0);
        QCOMPARE(lostUsers, 0);
        QVERIFY(postedGrades > 0);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]));
    TestCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
