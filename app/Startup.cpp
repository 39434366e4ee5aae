#include "app/Startup.h"

#include "app/Unit4.h"
#include "app/WindowSet.h"
#include "data/CourseUpgrade.h"
#include "data/DbError.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/ShellOpen.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"

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

void prepareProcessEnvironment()
{
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

} // namespace

int runTextbook()
{
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installDesktopOpener();
    QApplication::setWindowIcon(platform::pictureIcon(QStringLiteral(":/pictures/icon-%1.png"), {16, 24, 32, 48, 64}));
    bringRecordUpToCourse();
    // The greeting comes up first; the other windows, the database and then the page engine
    // follow while it fades in.
    WindowSet windows{WindowSet::GreetingFirst{}};
    bool failed = false;
    auto completeWindows = [&windows, &failed] {
        if (windows.isComplete())
            return true;
        if (failed)
            return false;
        try {
            windows.complete();
            return true;
        } catch (const std::exception &e) {
            failed = true;
            reportStartFailure(startFailure(e));
            QCoreApplication::exit(1);
            return false;
        }
    };
    Form4->beforeHandOver = completeWindows;
    new FirstPaint(Form4, [completeWindows] {
        // Then the web engine, so the first chapter page comes up at once after sign-in.
        if (completeWindows())
            QTimer::singleShot(0, Form2, [] { Form2->WebBrowser1->prepare(); });
    });
    Form4->show();
    return QApplication::exec();
}
