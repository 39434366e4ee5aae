// Times user actions on the real windows with a large class: sign-in, opening a chapter (again,
// and for the first time, when its result row is stored too), opening the statistics and
// launching the test, plus two steps next to them that also read whole tables (the sign-in
// window connecting, the statistics lists shown). Each action runs on databases of growing size,
// so the table shows how its time grows with the rows.
//
// A plain main() rather than Google Benchmark: every repetition needs the windows put back
// (the reader hidden, the test window closed) between timed steps, and the answer wanted is a
// table of action x size, not per-call nanoseconds.
//
// Usage: bench_actions [--reps N (1..100)] [--students 1000,10000,100000 (each at least 200)]
//                      [--server CONNINFO]
// Run with QT_QPA_PLATFORM=offscreen. Each size has students x 10 result rows and
// students / 10 questions in chapter 1. With --server (an administrator's connection string, e.g.
// of tools/pg-cluster.sh's cluster) the same rows go into a course database that velanika-server
// makes on that server, and the windows work on it as a class-room PC does (tools/scale-test.sh).

#include "app/WindowSet.h"
#include "data/Backend.h"
#include "data/Connection.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "signin/Unit1.h"
#include "stats/Unit3.h"
#include "testing/Unit6.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int resultsPerStudent = 10;
// Students after the one who signs in that have not opened chapter 1 yet: each run of the first
// opening signs in as the next of them.
constexpr int newcomers = 100;
constexpr double budgetMs = 200.0;
const QString password = QStringLiteral("секрет");

struct Size
{
    int students = 0;
    int questions = 0;
    qint64 results() const { return qint64(students) * resultsPerStudent; }
    int signingIn() const { return students / 2; } // the ID, and the number in the name
};

void run(sqlite3 *db, const QByteArray &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(src);
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(src, target);
    }
}

// The course's schema and settings, the pages, and generated students, results and questions.
// One transaction without syncing: a million rows take a few seconds.
void generate(const QString &folder, const Size &size)
{
    copyTree(QStringLiteral(TEXTBOOK_CONTENT_DIR "/Glaves"), folder + QStringLiteral("Glaves"));
    QDir().mkpath(folder + QStringLiteral("Present"));
    sqlite3 *db = nullptr;
    if (sqlite3_open((folder + QStringLiteral("Data.mdb")).toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot create Data.mdb");
    try {
        run(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;");
        run(db, readFile(QStringLiteral(TEXTBOOK_CONTENT_DIR "/schema.sql")));
        run(db, readFile(QStringLiteral(TEXTBOOK_CONTENT_DIR "/data.sql")));
        // Ten chapters, so every student can have ten result rows without repeating one.
        run(db, "INSERT INTO Glaves (Caption) VALUES ('Глава7'), ('Глава8'), ('Глава9'), ('Глава10');");
        run(db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO Users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
                               "SELECT 'Студент ' || i, '%2', 'Психология', '1 - Курс', "
                               "'Glaves\\Введение.htm' FROM n;")
                    .arg(size.students)
                    .arg(password)
                    .toUtf8());
        // One chapter after another for the whole class: a student's rows lie far apart, as they
        // do when a class works through the course.
        for (int chapter = 1; chapter <= resultsPerStudent; ++chapter)
            run(db,
                QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) "
                               "SELECT ID, %1, (ID + %1) % 4 + 2 FROM Users WHERE %1 > 1 OR ID NOT BETWEEN %2 AND %3;")
                    .arg(chapter)
                    .arg(size.signingIn() + 1)
                    .arg(size.signingIn() + newcomers)
                    .toUtf8());
        run(db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO Test1 (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", "
                               "\"вариант\") SELECT 'Вопрос номер ' || i || ': что главное в ведении обучающегося?', "
                               "'ответ A', 'ответ B', 'ответ C', 'ответ D', 'ответ E', "
                               "char(65 + i % 5) FROM n;")
                    .arg(size.questions)
                    .toUtf8());
        run(db, "COMMIT;");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

// The server's copy of the same rows: a course database made by velanika-server, the class made
// with SQL (one password hash for all, as hashing a hundred thousand would take minutes).
QString server;

void generateOnServer(const QString &folder, const Size &size)
{
    const QString database = QStringLiteral("velanika_bench_%1").arg(size.students);
    const QString admin = server + QStringLiteral(" dbname=") + database;
    {
        Connection postgres;
        postgres.setServer(server + QStringLiteral(" dbname=postgres"));
        postgres.execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
    }
    QProcess tool;
    tool.start(QStringLiteral(TEXTBOOK_DIR "/velanika-server"),
               {QStringLiteral("--server"), admin, QStringLiteral("init"), QStringLiteral("--course"),
                QStringLiteral(TEXTBOOK_DIR "/Data.mdb")});
    if (!tool.waitForFinished(300000) || tool.exitCode() != 0)
        throw std::runtime_error("velanika-server init: " + tool.readAllStandardError().toStdString());
    Connection db;
    db.setServer(admin + QStringLiteral(" options=-csearch_path=velanika_data"));
    db.inTransaction([&] {
        db.execute(
            QStringLiteral("INSERT INTO glaves (caption) VALUES ('Глава7'), ('Глава8'), ('Глава9'), ('Глава10')"));
        db.execute(QStringLiteral("INSERT INTO users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
                                  "SELECT 'Студент ' || i, h.hash, 'Психология', '1 - Курс', 'Glaves\\Введение.htm' "
                                  "FROM generate_series(1, %1) AS i, (SELECT crypt('%2', gen_salt('bf')) AS hash) AS h")
                       .arg(size.students)
                       .arg(password));
        for (int chapter = 1; chapter <= resultsPerStudent; ++chapter)
            db.execute(QStringLiteral("INSERT INTO result (id_user, id_glava, ocenka) SELECT id, %1, (id + %1) % 4 + 2 "
                                      "FROM users WHERE %1 > 1 OR id NOT BETWEEN %2 AND %3")
                           .arg(chapter)
                           .arg(size.signingIn() + 1)
                           .arg(size.signingIn() + newcomers));
        db.execute(QStringLiteral("DELETE FROM test1"));
        db.execute(
            QStringLiteral("INSERT INTO test1 (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", "
                           "\"вариант\") SELECT 'Вопрос номер ' || i || ': что главное в ведении обучающегося?', "
                           "'ответ A', 'ответ B', 'ответ C', 'ответ D', 'ответ E', chr(65 + i % 5) "
                           "FROM generate_series(1, %1) AS i")
                .arg(size.questions));
    });
    db.execute(QStringLiteral("ANALYZE"));
    QFile conf(folder + QStringLiteral("server.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write server.conf");
    conf.write((server + QStringLiteral(" dbname=") + database + QStringLiteral(" user=velanika_student\n")).toUtf8());
}

// What a window does after the handler returns (layouts, paints, posted slots) belongs to the
// action: the clock stops once the queue is empty.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

double timed(const std::function<void()> &action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    settle();
    return double(clock.nsecsElapsed()) / 1e6;
}

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("check failed: ") + what);
}

struct Figures
{
    double median = 0;
    double min = 0;
    double max = 0;
};

Figures summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return {median, times.front(), times.back()};
}

const QStringList actions = {
    QStringLiteral("sign-in window connects"),  QStringLiteral("sign-in (login OK)"),
    QStringLiteral("open chapter 1"),           QStringLiteral("open statistics"),
    QStringLiteral("statistics lists shown"),   QStringLiteral("launch test (chapter 1)"),
    QStringLiteral("open chapter 1, 1st time"),
};
// The actions held to the budget; the other two are shown for what they add.
const QList<int> budgeted = {1, 2, 3, 5, 6};

std::map<int, Figures> measure(const Size &size, int reps)
{
    QTemporaryDir dir;
    check(dir.isValid(), "temporary folder");
    const QString folder = dir.path() + u'/';
    QElapsedTimer made;
    made.start();
    generate(folder, size);
    if (!server.isEmpty())
        generateOnServer(folder, size);
    std::fprintf(stderr, "  %d students, %lld results, %d questions: generated in %.1f s\n", size.students,
                 size.results(), size.questions, double(made.elapsed()) / 1000.0);

    const QString previousCwd = QDir::currentPath();
    QDir::setCurrent(folder);
    platform::setProgramFolder(folder);
    std::map<int, std::vector<double>> times;
    {
        platform::ScriptedMessageBoxes boxes;
        const auto windows = WindowSet::everyWindow();

        // The sign-in window opening: it connects and opens the tables.
        for (int i = 0; i < reps; ++i) {
            times[0].push_back(timed([] { Form1->show(); }));
            check(Data->UserTab->isOpen() && Data->UserTab->recordCount() == size.students, "users open");
            if (i + 1 < reps) {
                Form1->hide();
                Data->SetTablesActive(false);
                settle();
            }
        }

        const auto studentName = [](int id) { return QStringLiteral("Студент %1").arg(id); };
        const auto fillLogin = [&](int id) {
            Form1->SpeedButton2->click();
            Form1->Edit1->setText(studentName(id));
            Form1->Edit2->setText(password);
            settle();
        };
        const auto signOut = [] {
            Form2->hide();
            Form1->show();
            settle();
        };
        for (int i = 0; i < reps; ++i) {
            fillLogin(size.signingIn());
            times[1].push_back(timed([] { Form1->BitBtn2->click(); }));
            check(Form2->isVisible() && Form2->windowTitle().endsWith(studentName(size.signingIn())), "reader shown");
            check(boxes.records.isEmpty(), "no message at sign-in");
            signOut();
        }
        fillLogin(size.signingIn());
        Form1->BitBtn2->click();
        settle();

        const auto openChapter1 = [&] {
            // Another chapter first, so chapter 1's questions are read afresh.
            Form2->Label2Click();
            settle();
            return timed([] { Form2->Label1Click(); });
        };
        for (int i = 0; i < reps; ++i) {
            times[2].push_back(openChapter1());
            check(Data->Test1Tab->isOpen() && Data->Test1Tab->recordCount() == size.questions, "questions open");
            check(Data->UserTab->fieldByName(QStringLiteral("путь")).asString().endsWith(chapterPage(1)),
                  "page stored");
        }

        for (int i = 0; i < reps; ++i) {
            // As a student does: a chapter read (its page stored) before the statistics.
            openChapter1();
            times[3].push_back(timed([] { Form2->N2Click(); }));
            check(Form3->isVisible(), "statistics shown");
            times[4].push_back(timed([] { Form3->BitBtn1->click(); }));
            check(Form3->DBGrid1->isVisible() && Form3->DBGrid1->model()->rowCount() == size.students &&
                      Form3->DBGrid2->model()->rowCount() == resultsPerStudent,
                  "statistics lists");
            Form3->close();
            settle();
        }

        for (int i = 0; i < reps; ++i) {
            openChapter1();
            boxes.records.clear();
            times[5].push_back(timed([] { Form2->BitBtn2Click(); }));
            check(Form6->isVisible() && Form6->QuestionCount == size.questions, "test shown");
            check(boxes.records.size() == 1 && boxes.records.first().text.contains(QString::number(size.questions)),
                  "launch message");
            Form6->close();
            settle();
        }

        // A chapter opened for the first time also stores the student's result row for it.
        for (int i = 0; i < reps; ++i) {
            signOut();
            fillLogin(size.signingIn() + 1 + i);
            Form1->BitBtn2->click();
            Form2->Label2Click();
            settle();
            const int before = Data->ResultTab->recordCount();
            times[6].push_back(timed([] { Form2->Label1Click(); }));
            check(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger() == size.signingIn() + 1 + i &&
                      Data->ResultTab->recordCount() == before + 1,
                  "result row stored");
        }
    }
    platform::setProgramFolder({});
    QDir::setCurrent(previousCwd);

    std::map<int, Figures> figures;
    for (const auto &[action, list] : times)
        figures[action] = summarise(list);
    return figures;
}

// How an action's median grows: over the whole range, and per 10,000 students between the two
// largest sizes, where the fixed costs no longer hide a part that grows with the rows.
QString growth(const std::vector<Size> &sizes, const std::vector<double> &medians)
{
    const size_t n = sizes.size();
    const double overall = medians.front() > 0 ? medians.back() / medians.front() : 0;
    const double rows = double(sizes.back().students) / sizes.front().students;
    const double per10k = (medians[n - 1] - medians[n - 2]) / (sizes[n - 1].students - sizes[n - 2].students) * 1e4;
    const QString text = QStringLiteral("x%1 for x%2 rows, ").arg(overall, 0, 'f', 1).arg(rows, 0, 'f', 0);
    // A step below a millisecond or a tenth of the time is noise of the clock and the machine.
    const double step = medians[n - 1] - medians[n - 2];
    if (step < 1.0 || step < medians[n - 1] / 10)
        return text + QStringLiteral("flat");
    return text + QStringLiteral("linear part about %1 ms per 10,000 students").arg(per10k, 0, 'f', 1);
}

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform warns about every window hint it ignores; the table would drown in them.
void quietPlatform(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char **argv)
{
    defaultHandler = qInstallMessageHandler(quietPlatform);
    QApplication app(argc, argv);
    int reps = 7;
    QList<int> students = {1000, 10000, 100000};
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QStringLiteral("--reps")) {
            reps = std::clamp(args.at(i + 1).toInt(), 1, newcomers);
        } else if (args.at(i) == QStringLiteral("--server")) {
            server = args.at(i + 1);
        } else if (args.at(i) == QStringLiteral("--students")) {
            students.clear();
            for (const QString &n : args.at(i + 1).split(u','))
                students.append(n.toInt());
        }
    }
    QApplication::setQuitOnLastWindowClosed(false);
    platform::WebView::setDefaultBackend(platform::WebView::Backend::TextBrowser);

    std::vector<Size> sizes;
    for (const int n : std::as_const(students)) {
        if (n < 2 * newcomers) {
            std::fprintf(stderr, "bench_actions: a size needs at least %d students\n", 2 * newcomers);
            return 1;
        }
        sizes.push_back({n, n / 10});
    }
    std::vector<std::map<int, Figures>> results;
    try {
        for (const Size &size : sizes)
            results.push_back(measure(size, reps));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_actions: %s\n", e.what());
        return 1;
    }

    std::printf("\nms per action: median (min-max) of %d runs\n\n", reps);
    std::printf("| %-26s |", "action");
    for (const Size &size : sizes)
        std::printf(
            " %-31s |",
            qPrintable(
                QStringLiteral("%1 st / %2 res / %3 q").arg(size.students).arg(size.results()).arg(size.questions)));
    std::printf("\n|%s|", std::string(28, '-').c_str());
    for (size_t s = 0; s < sizes.size(); ++s)
        std::printf("%s|", std::string(33, '-').c_str());
    std::printf("\n");
    bool within = true;
    for (int a = 0; a < actions.size(); ++a) {
        std::printf("| %-26s |", qPrintable(actions.at(a)));
        for (const auto &r : results) {
            const Figures &f = r.at(a);
            std::printf(
                " %-31s |",
                qPrintable(
                    QStringLiteral("%1 (%2-%3)").arg(f.median, 0, 'f', 1).arg(f.min, 0, 'f', 1).arg(f.max, 0, 'f', 1)));
        }
        std::printf("\n");
        if (budgeted.contains(a) && results.back().at(a).median >= budgetMs)
            within = false;
    }
    if (sizes.size() > 1) {
        std::printf("\nGrowth from the smallest to the largest size:\n");
        for (int a = 0; a < actions.size(); ++a) {
            std::vector<double> medians;
            for (const auto &r : results)
                medians.push_back(r.at(a).median);
            std::printf("  %-26s %s\n", qPrintable(actions.at(a)), qPrintable(growth(sizes, medians)));
        }
    }
    std::printf("\nSign-in, chapter, statistics and test launch at the largest size %s %.0f ms.\n",
                within ? "all stay under" : "do NOT all stay under", budgetMs);
    return within ? 0 : 2;
}
