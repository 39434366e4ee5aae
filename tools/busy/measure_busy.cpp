// How the program behaves while Data.mdb is held by another program, measured on a real (virtual)
// display with the real clock: a chapter test runs, another connection holds the file for a
// while, and the program's own connection writes meanwhile, as storing a grade or a page does.
// For each wait it reports
//   sign    ms from the moment the wait began (the first busy pause) to the note painted
//   cursor  ms from then to the wait cursor on the X server, as xsign saw it
//   note    ms from then to the note on the X server, as xsign saw it
//   wait    how long the write waited, s
//   error   the countdown's time left after the wait minus the real time left, s (the next tick)
//   ticks   the same had the countdown counted ticks, s
//
// Usage: measure_busy <runnable folder> <xsign> [waits] [hold seconds]
// Run on an X display (tools/measure-busy.sh starts one).

#include "app/Unit4.h"
#include "app/WindowSet.h"
#include "data/Connection.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/BusySign.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "reader/Unit2.h"
#include "testing/Unit6.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

double realNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        if (it.fileInfo().isDir())
            QDir().mkpath(to + u'/' + rel);
        else
            QFile::copy(src, to + u'/' + rel);
    }
}

void run(const QString &file, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "setup failed: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
}

// Another program holding the file for writing, for a while, on a thread of its own.
class Holder
{
public:
    Holder(const QString &file, int seconds)
    {
        m_thread = std::thread([this, file, seconds] {
            sqlite3 *db = nullptr;
            sqlite3_open(file.toUtf8().constData(), &db);
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            m_held = true;
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
        while (!m_held)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Holder() { m_thread.join(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_held{false};
};

int secondsShown(const QString &text)
{
    const QStringList parts = text.split(u':');
    return parts.size() == 2 ? parts[0].toInt() * 60 + parts[1].toInt() : -1;
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: measure_busy <runnable folder> <xsign> [waits] [hold seconds]\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    // Before the current folder changes.
    const QString xsign = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const int waits = argc > 3 ? std::atoi(argv[3]) : 3;
    const int holdSeconds = argc > 4 ? std::atoi(argv[4]) : 10;

    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString file = folder + QStringLiteral("Data.mdb");
    QFile::copy(source + QStringLiteral("/Data.mdb"), file);
    QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    copyTree(source + QStringLiteral("/Glaves"), folder + QStringLiteral("Glaves"));
    QDir::setCurrent(folder);
    run(file, "INSERT INTO Users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
              "VALUES ('Замер', '', 'ПО-21', '1 - Курс', '')");

    platform::setProgramFolder(folder);
    platform::WebView::setDefaultBackend(platform::WebView::Backend::TextBrowser);
    platform::ScriptedMessageBoxes boxes; // the launch message is answered at once
    const auto windows = WindowSet::everyWindow();
    // Signed in already: the greeting's fade would hand over to the sign-in window.
    Form4->Timer1->stop();

    // The moment each wait began, and the note painted, on both clocks.
    double waitBegan = 0;
    double signPainted = 0;
    Connection::setBusyWaitHook([&] {
        // A write tries a few times, each try waiting anew: the first wait is the one seen.
        if (waitBegan > 0)
            return;
        waitBegan = realNow();
        platform::showBusySign();
        signPainted = realNow();
    });

    Data->connectTo(folder);
    Data->UserTab->refresh();
    Data->UserTab->locate(QStringLiteral("фамилия"), QStringLiteral("Замер"));
    Data->setStudentId(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger());
    Form2->show();
    Form2->Label4Click();
    Form2->BitBtn2Click();
    const qint64 launched = platform::clock().steadyMs();
    const int limit = Form6->MinLeft * 60;
    int ticks = 0;
    QObject::connect(Form6->Timer1, &QTimer::timeout, [&] { ++ticks; });
    if (!Form6->isVisible()) {
        std::fprintf(stderr, "the test did not start: %s\n", qPrintable(boxes.texts().join(u'|')));
        return 1;
    }
    QCursor::setPos(Form6->mapToGlobal(Form6->rect().center()));
    pause(1500);

    // The note's place on the root window: the test window's bottom right corner.
    const QPoint foot = Form6->mapToGlobal(QPoint(Form6->width() - 104, Form6->height() - 22));
    QProcess watcher;
    const QString seenFile = folder + QStringLiteral("seen.txt");
    watcher.setStandardOutputFile(seenFile);
    watcher.start(xsign, {QString::number(foot.x()), QString::number(foot.y()), QStringLiteral("100"),
                          QStringLiteral("16"), QString::number(waits * (holdSeconds + 6) + 5)});
    if (!watcher.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(xsign));
        return 1;
    }
    pause(500);

    std::printf("%-5s %8s %8s %8s %7s %7s %7s\n", "wait", "sign", "cursor", "note", "wait", "error", "ticks");
    for (int i = 1; i <= waits; ++i) {
        double began = 0;
        double painted = 0;
        double waited = 0;
        {
            waitBegan = 0;
            Holder holder(file, holdSeconds);
            QElapsedTimer timer;
            timer.start();
            Data->Connect->inTransaction(
                [] { Data->Connect->execute(QStringLiteral("UPDATE Glaves SET Caption = Caption")); });
            waited = double(timer.elapsed()) / 1000.0;
            began = waitBegan;
            painted = signPainted;
        }
        // The next tick shows the time left.
        const int ticksBefore = ticks;
        while (ticks == ticksBefore)
            pause(10);
        const double realLeft = limit - double(platform::clock().steadyMs() - launched) / 1000.0;
        const int shown = secondsShown(Form6->Label8->text());
        const int counted = limit - ticks;

        // What the watcher saw after this wait began.
        double cursorSeen = 0;
        double noteSeen = 0;
        pause(300);
        QFile seenText(seenFile);
        seenText.open(QIODevice::ReadOnly);
        const QStringList seen = QString::fromLocal8Bit(seenText.readAll()).split(u'\n');
        for (const QString &line : seen) {
            const QStringList f = line.split(u' ');
            if (f.size() < 2)
                continue;
            const double t = f[1].toDouble();
            if (t < began)
                continue;
            if (f[0] == QStringLiteral("cursor") && f.value(2) == QStringLiteral("wait") && cursorSeen == 0)
                cursorSeen = t;
            if (f[0] == QStringLiteral("note") && noteSeen == 0)
                noteSeen = t;
        }
        const auto ms = [began](double t) { return t > 0 ? (t - began) * 1000.0 : -1.0; };
        std::printf("%-5d %8.1f %8.1f %8.1f %7.2f %7.2f %7.2f\n", i, ms(painted), ms(cursorSeen), ms(noteSeen), waited,
                    shown - realLeft, counted - realLeft);
        std::fflush(stdout);
        pause(2000);
    }
    watcher.kill();
    watcher.waitForFinished();
    Connection::setBusyWaitHook({});
    Form6->close();
    return 0;
}
