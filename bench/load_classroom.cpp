// A class-room on one server: load_classroom client runs one simulated PC through the program's
// own data module (registering, signing in, storing pages, taking whole tests) and logs every
// action the server acknowledged; load_classroom check reads those logs and the server and
// reports what was lost. tools/load-test.sh starts the clients, and kills the server in the
// middle of a run if asked.
//
//   load_classroom client FOLDER NUMBER SECONDS LOG   (FOLDER holds the server.conf of the PC)
//   load_classroom check CONNINFO LOG...              (CONNINFO: an administrator of the course)

#include "data/AttemptJournal.h"
#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "testing/Grading.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

// An action is tried again while the server is away, as a student presses «Повторить».
constexpr qint64 patienceMs = 60000;
constexpr int thinkMs = 100;

struct Stats
{
    int retries = 0;
    int failures = 0;
    std::map<QString, std::vector<double>> latencies;
};

template <typename T> bool attempt(Stats &stats, const QString &what, const std::function<T()> &fn, T &out)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QElapsedTimer took;
        took.start();
        try {
            out = fn();
            stats.latencies[what].push_back(double(took.nsecsElapsed()) / 1e6);
            return true;
        } catch (const DbError &e) {
            if ((!e.isConnectionLost() && !e.isBusy()) || waited.elapsed() > patienceMs) {
                ++stats.failures;
                std::fprintf(stderr, "%s: %s\n", qPrintable(what), e.what());
                return false;
            }
            ++stats.retries;
            QThread::msleep(200);
        }
    }
}

int client(const QString &folder, int number, int seconds, const QString &logPath)
{
    QFile logFile(logPath);
    if (!logFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 1;
    QTextStream log(&logFile);
    // Only what the server acknowledged is written, and at once.
    const auto note = [&](const QStringList &fields) {
        log << fields.join(u'\t') << '\n';
        log.flush();
        logFile.flush();
    };
    QRandomGenerator random(quint32(number) * 7919U + 17U);
    Stats stats;
    TData data;
    bool connected = false;
    attempt<bool>(
        stats, QStringLiteral("connect"),
        [&] {
            data.connectTo(folder);
            return true;
        },
        connected);
    if (!connected)
        return 1;

    QElapsedTimer clock;
    clock.start();
    int tests = 0;
    for (int n = 1; clock.elapsed() < qint64(seconds) * 1000; ++n) {
        const QString name = QStringLiteral("Ученик %1-%2").arg(number).arg(n);
        const QString password = QStringLiteral("пр%1").arg(n % 1000);
        const NewStudent student{name, password, QStringLiteral("ПО-%1").arg(number), QStringLiteral("1 - Курс"),
                                 QStringLiteral("Glaves\\Введение.htm")};
        Registration registered = Registration::NameTaken;
        if (!attempt<Registration>(
                stats, QStringLiteral("register"), [&] { return data.registerStudent(student); }, registered))
            continue;
        // A registration whose reply was lost reads "taken" when tried again: it is ours if the
        // password signs in.
        SignInOutcome signedIn = SignInOutcome::WrongPassword;
        if (!attempt<SignInOutcome>(
                stats, QStringLiteral("sign in"), [&] { return data.signIn(name, password); }, signedIn) ||
            signedIn != SignInOutcome::SignedIn)
            continue;
        note({QStringLiteral("student"), QString::number(data.studentId()), name});

        for (int page = 0; page < 3; ++page) {
            const QString path = QStringLiteral("Glaves\\Glava%1.htm").arg(random.bounded(2, 7));
            bool stored = false;
            if (attempt<bool>(
                    stats, QStringLiteral("store page"),
                    [&] {
                        data.storePage(path);
                        return true;
                    },
                    stored))
                note({QStringLiteral("page"), QString::number(data.studentId()), path});
            QThread::msleep(thinkMs);
        }

        const int chapter = int(random.bounded(1, 7));
        bool ready = false;
        attempt<bool>(
            stats, QStringLiteral("open chapter"),
            [&] {
                data.GlavesTab->open();
                data.GlavesTab->refresh();
                if (!data.GlavesTab->locate(QStringLiteral("Caption"), QStringLiteral("Глава%1").arg(chapter)))
                    throw DbError(QStringLiteral("no chapter"));
                data.prepareResult();
                for (int c = 1; c <= 6; ++c)
                    data.testTab(c)->close();
                data.testTab(chapter)->open();
                return true;
            },
            ready);
        Attempt test;
        if (!ready || !attempt<Attempt>(
                          stats, QStringLiteral("begin test"),
                          [&] {
                              return data.journal().begin(
                                  data.studentId(), chapter,
                                  data.GlavesTab->fieldByName(QStringLiteral("ID_Glava")).asInteger(), 0, {});
                          },
                          test))
            continue;
        TableCursor *questions = data.testTab(chapter);
        bool complete = true;
        for (questions->first(); complete && !questions->eof(); questions->next()) {
            const QString letter = QString(QChar(u'A' + random.bounded(0, 5)));
            bool right = false;
            complete = attempt<bool>(
                stats, QStringLiteral("answer"),
                [&] { return data.journal().recordAnswer(test.id, questions->field(0).asInteger(), letter, 0); },
                right);
            QThread::msleep(thinkMs);
        }
        int grade = 0;
        if (complete && attempt<int>(
                            stats, QStringLiteral("finish"), [&] { return data.journal().finish(test.id); }, grade)) {
            note({QStringLiteral("grade"), QString::number(data.studentId()), QString::number(chapter),
                  QString::number(grade)});
            ++tests;
        }
    }
    for (const auto &[what, list] : stats.latencies) {
        QStringList values;
        for (const double v : list)
            values.append(QString::number(v, 'f', 2));
        note({QStringLiteral("latency"), what, values.join(u',')});
    }
    note({QStringLiteral("retries"), QString::number(stats.retries), QString::number(stats.failures)});
    return 0;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

int check(const QString &conninfo, const QStringList &logs)
{
    Connection server;
    server.setServer(conninfo + QStringLiteral(" options=-csearch_path=velanika_data"));
    Backend &db = server.backend();

    QHash<qint64, QString> logged;     // student -> name
    QHash<qint64, QString> lastPage;   // student -> last acknowledged page
    QHash<QString, QList<int>> grades; // "student:chapter" -> acknowledged grades, in order
    std::map<QString, std::vector<double>> latencies;
    int retries = 0;
    int failures = 0;
    int pages = 0;
    for (const QString &path : logs) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QStringList f = in.readLine().split(u'\t');
            if (f.value(0) == u"student") {
                logged.insert(f.value(1).toLongLong(), f.value(2));
            } else if (f.value(0) == u"page") {
                lastPage.insert(f.value(1).toLongLong(), f.value(2));
                ++pages;
            } else if (f.value(0) == u"grade") {
                grades[f.value(1) + u':' + f.value(2)].append(f.value(3).toInt());
            } else if (f.value(0) == u"latency") {
                for (const QString &v : f.value(2).split(u',', Qt::SkipEmptyParts))
                    latencies[f.value(1)].push_back(v.toDouble());
            } else if (f.value(0) == u"retries") {
                retries += f.value(1).toInt();
                failures += f.value(2).toInt();
            }
        }
    }

    int lostStudents = 0;
    int lostPages = 0;
    QHash<qint64, QString> names;
    QHash<qint64, QString> storedPages;
    {
        const auto rows = db.query(QStringLiteral("SELECT id, \"фамилия\", \"путь\" FROM users"));
        while (rows->next()) {
            names.insert(rows->int64(0), rows->text(1));
            storedPages.insert(rows->int64(0), rows->text(2));
        }
    }
    for (auto it = logged.cbegin(); it != logged.cend(); ++it)
        lostStudents += names.value(it.key()) == it.value() ? 0 : 1;
    for (auto it = lastPage.cbegin(); it != lastPage.cend(); ++it)
        lostPages += storedPages.value(it.key()) == it.value() ? 0 : 1;
    const auto duplicates = db.query(
        QStringLiteral("SELECT count(*) FROM (SELECT \"фамилия\" FROM users GROUP BY 1 HAVING count(*) > 1) d"));
    duplicates->next();

    // Every graded attempt recomputed from its recorded answers and the right letters, with the
    // test window's own arithmetic.
    QHash<QString, QString> rightLetters; // "chapter:question"
    for (int c = 1; c <= 6; ++c) {
        const auto rows = db.query(QStringLiteral("SELECT id_v, \"вариант\" FROM test%1").arg(c));
        while (rows->next())
            rightLetters.insert(QStringLiteral("%1:%2").arg(c).arg(rows->int64(0)), rows->text(1));
    }
    QHash<qint64, int> rightOf;
    QHash<qint64, int> answeredOf;
    QHash<qint64, int> chapterOf;
    int wrongVerdicts = 0;
    {
        const auto attempts = db.query(QStringLiteral("SELECT id, chapter FROM attempts"));
        while (attempts->next())
            chapterOf.insert(attempts->int64(0), int(attempts->int64(1)));
        const auto rows = db.query(QStringLiteral("SELECT attempt_id, question, letter, is_right FROM answers"));
        while (rows->next()) {
            const qint64 a = rows->int64(0);
            const bool right =
                rightLetters.value(QStringLiteral("%1:%2").arg(chapterOf.value(a)).arg(rows->int64(1))) ==
                rows->text(2);
            wrongVerdicts += right == rows->value(3).toBool() ? 0 : 1;
            rightOf[a] += right ? 1 : 0;
            answeredOf[a] += 1;
        }
    }
    int gradedTests = 0;
    int miscomputed = 0;
    int lostGrades = 0;
    int extraGrades = 0;
    QHash<QString, int> latestGrade; // "student:glava" -> grade of the last graded attempt
    QHash<QString, QList<int>> serverGrades;
    {
        const auto rows = db.query(QStringLiteral("SELECT id, user_id, chapter, id_glava, grade, fine, good, bad, "
                                                  "questions FROM attempts WHERE state = 'graded' ORDER BY ended, id"));
        while (rows->next()) {
            ++gradedTests;
            const qint64 a = rows->int64(0);
            const int expected = gradeFor(rightPercentage(rightOf.value(a), int(rows->int64(8))), int(rows->int64(5)),
                                          int(rows->int64(6)), int(rows->int64(7)));
            miscomputed += expected == int(rows->int64(4)) ? 0 : 1;
            latestGrade.insert(QStringLiteral("%1:%2").arg(rows->int64(1)).arg(rows->int64(3)), int(rows->int64(4)));
            serverGrades[QStringLiteral("%1:%2").arg(rows->int64(1)).arg(rows->int64(2))].append(int(rows->int64(4)));
        }
    }
    int acknowledged = 0;
    for (auto it = grades.cbegin(); it != grades.cend(); ++it) {
        acknowledged += int(it.value().size());
        const QList<int> stored = serverGrades.value(it.key());
        lostGrades += std::max(0, int(it.value().size() - stored.size()));
        extraGrades += std::max(0, int(stored.size() - it.value().size()));
        if (stored.size() == it.value().size() && stored != it.value())
            ++miscomputed;
    }
    int resultMismatch = 0;
    int resultRows = 0;
    {
        const auto rows = db.query(QStringLiteral("SELECT id_user, id_glava, ocenka FROM result"));
        while (rows->next()) {
            ++resultRows;
            const QString key = QStringLiteral("%1:%2").arg(rows->int64(0)).arg(rows->int64(1));
            if (latestGrade.contains(key) && latestGrade.value(key) != int(rows->int64(2)))
                ++resultMismatch;
        }
    }

    std::printf("students acknowledged %lld, lost %d; duplicate names %lld\n", qlonglong(logged.size()), lostStudents,
                qlonglong(duplicates->int64(0)));
    std::printf("pages acknowledged %d (last per student %lld), lost %d\n", pages, qlonglong(lastPage.size()),
                lostPages);
    std::printf("tests acknowledged %d, graded on the server %d, lost %d, graded twice %d\n", acknowledged, gradedTests,
                lostGrades, extraGrades);
    std::printf("grades not equal to a recomputation from the answers %d; answers judged wrongly %d; result rows %d, "
                "not the latest grade %d\n",
                miscomputed, wrongVerdicts, resultRows, resultMismatch);
    std::printf("retries while the server was away %d; actions given up %d\n", retries, failures);
    std::printf("\n| action | count | median ms | p95 ms | max ms |\n|---|---|---|---|---|\n");
    for (const auto &[what, list] : latencies)
        std::printf("| %s | %zu | %.1f | %.1f | %.1f |\n", qPrintable(what), list.size(), percentile(list, 0.5),
                    percentile(list, 0.95), percentile(list, 1.0));
    const bool sound = lostStudents == 0 && lostPages == 0 && duplicates->int64(0) == 0 && lostGrades == 0 &&
                       extraGrades == 0 && miscomputed == 0 && wrongVerdicts == 0 && resultMismatch == 0;
    std::printf("\n%s\n", sound ? "NOTHING ACKNOWLEDGED WAS LOST" : "FAULTS FOUND");
    return sound ? 0 : 3;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 6 && args.at(1) == u"client")
            return client(args.at(2), args.at(3).toInt(), args.at(4).toInt(), args.at(5));
        if (args.size() >= 3 && args.at(1) == u"check")
            return check(args.at(2), args.mid(3));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "load_classroom: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: load_classroom client FOLDER NUMBER SECONDS LOG | check CONNINFO LOG...\n");
    return 2;
}
