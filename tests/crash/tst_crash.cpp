// Kills a process that registers students and stores grades at random moments, and checks
// after each kill that the file is intact and that every grade whose post had returned is there.
// Then the same for chapter tests kept in the attempt journal: every answer acknowledged is there,
// and a test cut short goes on with the time that was left, give or take the 5 s between notes.

#include "data/AttemptJournal.h"
#include "data/Connection.h"
#include "data/SqliteJournal.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "tests/support/RawSql.h"
#include "tests/support/TestFolder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

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

constexpr int journalChapter = 3;
constexpr int journalQuestions = 12;
constexpr int journalSeconds = 20 * 60;

// The child: chapter 3's tests taken one after another through the data layer, as the test window
// takes them, going on with a test the last child left unfinished. Its clock is its own: each
// step is one second of the test, so the kill lands at any point of a test's time. It prints the
// time left at each step before anything is written, and each answer and grade once the journal
// has acknowledged it.
int runJournal(const QString &folder)
{
    TData data;
    data.connectTo(folder);
    AttemptJournal &journal = data.journal();
    const int student = data.UserTab->fieldByName(QStringLiteral("ID")).asInteger();
    data.GlavesTab->locate(QStringLiteral("Caption"), QStringLiteral("Глава3"));
    const int chapterId = data.GlavesTab->fieldByName(QStringLiteral("ID_Glava")).asInteger();
    TableCursor *questions = data.testTab(journalChapter);
    questions->open();
    const QString letters = QStringLiteral("ABCDE");
    QRandomGenerator rng(QRandomGenerator::global()->generate());
    qint64 nowMs = 0;
    for (;;) {
        std::optional<Attempt> attempt = journal.findUnfinished(student);
        if (!attempt)
            attempt = journal.begin(student, journalChapter, chapterId, journalQuestions, {20, 90, 75, 50});
        QSet<int> answered;
        for (const RecordedAnswer &a : journal.answers(attempt->id))
            answered.insert(a.question);
        RunningAttempt running(journal, *attempt, nowMs);
        const qint64 deadline = nowMs + qint64(attempt->secondsLeft) * 1000;
        for (int row = 0; row < questions->recordCount(); ++row) {
            const int question = questions->valueAt(row, 0).toInt();
            if (answered.contains(question))
                continue;
            for (int step = 0; step < 3; ++step) {
                nowMs += 1000;
                const int left = int(std::max<qint64>(0, deadline - nowMs) / 1000);
                std::printf("left %lld %d\n", attempt->id, left);
                std::fflush(stdout);
                running.tick(left, nowMs);
            }
            const QString letter(letters.at(rng.bounded(5)));
            const int left = int(std::max<qint64>(0, deadline - nowMs) / 1000);
            const bool right = running.answer(question, letter, left, nowMs);
            std::printf("answer %lld %d %s %d\n", attempt->id, question, qPrintable(letter), right ? 1 : 0);
            std::fflush(stdout);
        }
        const int grade = journal.finish(attempt->id);
        std::printf("grade %lld %d\n", attempt->id, grade);
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

    void killedTestLosesNoAnswer()
    {
        TestFolder folder;
        const QString file = folder.databaseFile();
        rawsql::exec(file, QStringLiteral("DELETE FROM Users; DELETE FROM Result; DELETE FROM Test3;"
                                          "INSERT INTO Users (\"фамилия\") VALUES ('Иванов');"
                                          "INSERT INTO Result (ID_User, ID_glava, Ocenka) SELECT max(Users.ID), "
                                          "ID_Glava, 0 FROM Users, Glaves WHERE Caption = 'Глава3'"));
        for (int i = 0; i < journalQuestions; ++i)
            rawsql::exec(file, QStringLiteral("INSERT INTO Test3 (\"вопрос\", \"вариант\") VALUES ('В%1', '%2')")
                                   .arg(i)
                                   .arg(QChar(u'A' + i % 5)));
        const int student = rawsql::scalar(file, QStringLiteral("SELECT ID FROM Users")).toInt();
        constexpr int runs = 100;
        int integrityFailures = 0;
        int acknowledged = 0;
        int lostAnswers = 0;
        int lostGrades = 0;
        int graded = 0;
        int resumed = 0;
        int worstDrift = 0;
        int driftFailures = 0;
        for (int run = 0; run < runs; ++run) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--journal"), folder.path()});
            QVERIFY2(child.waitForStarted(), "child did not start");
            child.waitForReadyRead(5000);
            QThread::usleep(QRandomGenerator::global()->bounded(1000, 200000));
            child.kill();
            child.waitForFinished();
            const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);

            if (rawsql::scalar(file, QStringLiteral("PRAGMA integrity_check")).toString() != u"ok")
                ++integrityFailures;
            QHash<qint64, int> lastLeft;
            for (const QString &line : lines) {
                const QStringList parts = line.split(u' ');
                if (parts.size() == 3 && parts[0] == u"left") {
                    lastLeft[parts[1].toLongLong()] = parts[2].toInt();
                } else if (parts.size() == 5 && parts[0] == u"answer") {
                    ++acknowledged;
                    const QVariant kept = rawsql::scalar(
                        file,
                        QStringLiteral("SELECT Letter || ' ' || IsRight FROM AttemptAnswer WHERE ID_Attempt = ? AND "
                                       "ID_V = ?"),
                        {parts[1].toLongLong(), parts[2].toInt()});
                    if (kept.toString() != parts[3] + u' ' + parts[4])
                        ++lostAnswers;
                } else if (parts.size() == 3 && parts[0] == u"grade") {
                    ++graded;
                    const QVariant kept = rawsql::scalar(
                        file, QStringLiteral("SELECT Grade FROM Attempt WHERE ID_Attempt = ? AND State = 'graded'"),
                        {parts[1].toLongLong()});
                    if (kept.toInt() != parts[2].toInt())
                        ++lostGrades;
                }
            }
            // What the next sign-in offers: the test cut short and the time it had left.
            Connection connection;
            connection.setDatabaseFile(file);
            SqliteJournal journal(connection);
            if (const std::optional<Attempt> open = journal.findUnfinished(student);
                open && lastLeft.contains(open->id)) {
                ++resumed;
                const int drift = open->secondsLeft - lastLeft.value(open->id);
                worstDrift = std::max(worstDrift, std::abs(drift));
                if (drift < 0 || drift > 5)
                    ++driftFailures;
            }
        }
        qInfo("journal crash runs: %d, integrity failures: %d, answers acknowledged: %d, lost: %d, grades: %d, lost: "
              "%d, tests cut short: %d, worst difference of the time left: %d s, beyond 5 s: %d",
              runs, integrityFailures, acknowledged, lostAnswers, graded, lostGrades, resumed, worstDrift,
              driftFailures);
        QCOMPARE(integrityFailures, 0);
        QCOMPARE(lostAnswers, 0);
        QCOMPARE(lostGrades, 0);
        QCOMPARE(driftFailures, 0);
        QVERIFY(acknowledged > 0);
        QVERIFY(resumed > 0);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], "--journal") == 0)
        return runJournal(QString::fromLocal8Bit(argv[2]));
    TestCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash.moc"
