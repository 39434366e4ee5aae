#include "app/Messages.h"

#include "platform/ShellOpen.h"

#include <QByteArray>
#include <QStringView>

namespace messages {

namespace {

QtMessageHandler defaultHandler = nullptr;

// Warnings about things the program does on purpose or that Qt works around by itself.
constexpr QStringView harmless[] = {
    // The page engine looks for an OpenGL driver; the program has it draw in software.
    u"No suitable graphics backend found",
    // Qt falls back to a private folder of its own.
    u"QStandardPaths: XDG_RUNTIME_DIR not set",
};

void filter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (shownWhenQuiet(type, text))
        defaultHandler(type, context, text);
}

} // namespace

bool verboseRequested(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--verbose")) || !qEnvironmentVariableIsEmpty("VELANIKA_VERBOSE");
}

bool shownWhenQuiet(QtMsgType type, const QString &text)
{
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        return false;
    case QtWarningMsg:
        for (QStringView known : harmless) {
            if (text.startsWith(known))
                return false;
        }
        return true;
    case QtCriticalMsg:
    case QtFatalMsg:
        return true;
    }
    return true;
}

void setUp(bool verbose)
{
    // The engine's own log (Chromium's, not Qt's): errors only, or everything.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level")) {
        flags += verbose ? " --enable-logging=stderr --log-level=0" : " --log-level=2";
        platform::setOwnEnvironment("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    }
    if (!verbose && !defaultHandler)
        defaultHandler = qInstallMessageHandler(filter);
}

} // namespace messages
