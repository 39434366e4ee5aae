#include "app/Startup.h"

#include "app/Messages.h"
#include "app/Unit4.h"
#include "app/WindowSet.h"
#include "data/Connection.h"
#include "data/CourseUpgrade.h"
#include "data/DbError.h"
#include "data/ServerSettings.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/QtTexts.h"
#include "platform/ShellOpen.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "side/Unit10.h"
#include "signin/Unit1.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

#include <unistd.h>

void prepareProcessEnvironment(const QStringList &arguments)
{
    messages::setUp(messages::verboseRequested(arguments));
    // The program's folder is not known before QCoreApplication exists; /proc tells it.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString aliases = QFileInfo(exe).absolutePath() + QStringLiteral("/fonts.conf");
    if (qEnvironmentVariableIsEmpty("FONTCONFIG_FILE") && QFileInfo::exists(aliases))
        platform::setOwnEnvironment("FONTCONFIG_FILE", aliases.toLocal8Bit());
    // Nothing here draws with OpenGL (the page engine composites in software): without this the
    // X11 platform loads the GL driver, tens of MB, when the page engine probes for it.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        platform::setOwnEnvironment("QT_XCB_GL_INTEGRATION", "none");
    // Chromium refuses to start as root without this.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        platform::setOwnEnvironment("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

namespace {

QString startFailure(const std::exception &e)
{
    return QStringLiteral("Программа не может начать работу.\n\n%1\n\nТекущая папка: %2")
        .arg(QString::fromUtf8(e.what()), QDir::currentPath());
}

void reportStartFailure(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    platform::errorBox(text);
}

// A record made with an older course takes over the installed one before any window opens it.
// A failure leaves the record as it was: the program goes on with the course the record has.
void bringRecordUpToCourse()
{
    const QString record = platform::dataFolder() + QStringLiteral("Data.mdb");
    if (!QFileInfo::exists(record))
        return; // the window set says so
    try {
        upgradeCourse(record, platform::programFolder() + QStringLiteral("Data.mdb"), QDate::currentDate());
    } catch (const DbError &e) {
        const QString text =
            QStringLiteral("Не удалось перенести новую версию курса (главы, вопросы тестов, презентации) в базу "
                           "данных %1.\n\n%2\n\nБаза данных оставлена без изменений; учебник работает с прежней "
                           "версией курса.")
                .arg(record, e.message());
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        platform::errorBox(text);
    }
}

// Calls back once, after the first paint of a window has reached the screen.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget *window, std::function<void()> then) : QObject(window), m_then(std::move(then))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After the event loop has flushed this paint to the window.
            QTimer::singleShot(0, this, [this] {
                m_then();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

// The greeting comes up first; the windows behind it follow one per turn of the event loop, so
// its fade and a click on it are never held up for long; the page engine starts once the
// sign-in window is on screen.
class Start
{
public:
    Start() = default;

    void begin()
    {
        Form4->beforeHandOver = [this] { return completeNow(); };
        new FirstPaint(Form4, [this] {
            // Five pictures to decode and the image plugins to look through: not before the
            // greeting is up, which shows no icon of its own.
            QApplication::setWindowIcon(
                platform::pictureIcon(QStringLiteral(":/pictures/icon-%1.png"), {16, 24, 32, 48, 64}));
            step();
        });
        Form4->show();
    }

private:
    void step()
    {
        if (m_failed || m_windows.isComplete())
            return;
        try {
            if (m_windows.completeStep())
                completed();
            else
                QTimer::singleShot(0, Form4, [this] { step(); });
        } catch (const std::exception &e) {
            fail(e);
        }
    }

    // A hand-over before the windows are all made makes the rest at once.
    bool completeNow()
    {
        if (m_failed)
            return false;
        if (m_windows.isComplete())
            return true;
        try {
            m_windows.complete();
        } catch (const std::exception &e) {
            fail(e);
            return false;
        }
        completed();
        return true;
    }

    void completed()
    {
        // Starting the web engine holds the event loop for a tenth of a second or more in one
        // piece (its helper process must report ready): during the greeting that would stall the
        // fade and a click. A moment after the sign-in window appears nobody has acted yet, and
        // the first chapter page still finds the engine running.
        new FirstPaint(Form1, [] { platform::WebView::preloadEngine(Form2, [] { Form2->WebBrowser1->prepare(); }); });
    }

    void fail(const std::exception &e)
    {
        m_failed = true;
        // The program is not starting: its message stands alone.
        Form4->hide();
        reportStartFailure(startFailure(e));
        QCoreApplication::exit(1);
    }

    WindowSet m_windows;
    bool m_failed = false;
};

} // namespace

int runTextbook()
{
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installDesktopOpener();
    // Before any window: a translator installed later sends every widget a language change.
    if (!platform::installRussianQtTexts())
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("Русские тексты Qt не установлены (пакет qt6-translations-l10n): "
                                    "меню правки и диалоги выбора файла будут на английском.")
                         .toLocal8Bit()
                         .constData());
    // Without its database the program cannot start: say so before any window appears. A class's
    // server is checked when the windows connect, and its course is the server's business.
    if (!configuredServer(platform::dataFolder())) {
        try {
            Connection::checkDatabaseFile(TForm10::databaseFile());
        } catch (const std::exception &e) {
            reportStartFailure(startFailure(e));
            return 1;
        }
        bringRecordUpToCourse();
    }
    QApplication::setStyle(new platform::PngIconStyle);
    Start start;
    start.begin();
    return QApplication::exec();
}
