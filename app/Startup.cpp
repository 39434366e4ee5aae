#include "Startup.h"

#include "DbError.h"
#include "MessageBoxes.h"
#include "ProgramPaths.h"
#include "Unit2.h"
#include "Unit4.h"
#include "WebView.h"
#include "WindowSet.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <unistd.h>

void prepareProcessEnvironment()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The program's folder is not known before QCoreApplication exists; /proc tells it.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString aliases = QFileInfo(exe).absolutePath() + QStringLiteral("/fonts.conf");
    if (qEnvironmentVariableIsEmpty("FONTCONFIG_FILE") && QFileInfo::exists(aliases))
        qputenv("FONTCONFIG_FILE", aliases.toLocal8Bit());
    // Chromium refuses to start as root without this.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

int runTextbook()
{
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.svg")));
    std::unique_ptr<WindowSet> windows;
    try {
        windows = std::make_unique<WindowSet>();
    } catch (const std::exception &e) {
        const QString text = QStringLiteral("Программа не может начать работу.\n\n%1\n\nТекущая папка: %2")
                                 .arg(QString::fromUtf8(e.what()), QDir::currentPath());
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        platform::errorBox(text);
        return 1;
    }

    Form4->show();
    // Start the web engine once the greeting is on screen, so the first chapter page comes up
    // at once after sign-in without delaying the greeting.
    QTimer::singleShot(300, Form2, [] {
        if (Form2)
            Form2->WebBrowser1->prepare();
    });
    const int status = QApplication::exec();
    return status;
}
