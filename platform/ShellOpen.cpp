#include "platform/ShellOpen.h"

#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QHash>
#include <QProcess>
#include <QUrl>

#include <optional>

namespace platform {

namespace {

// Each variable the program set, with the value it had before (none: it was not set).
QHash<QString, std::optional<QString>> &ownVariables()
{
    static QHash<QString, std::optional<QString>> variables;
    return variables;
}

class DesktopOpener : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

public Q_SLOTS:
    void open(const QUrl &url)
    {
        QProcess opener;
        opener.setProgram(QStringLiteral("xdg-open"));
        opener.setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
        opener.setProcessEnvironment(userEnvironment());
        opener.setStandardOutputFile(QProcess::nullDevice());
        opener.setStandardErrorFile(QProcess::nullDevice());
        if (!opener.startDetached())
            qWarning("xdg-open could not be started");
    }
};

} // namespace

bool shellOpen(const QString &path)
{
    const QString local = localPath(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath(local)));
}

bool openInBrowser(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

void setOwnEnvironment(const char *name, const QByteArray &value)
{
    const QString key = QString::fromLatin1(name);
    if (!ownVariables().contains(key)) {
        std::optional<QString> before;
        if (qEnvironmentVariableIsSet(name))
            before = qEnvironmentVariable(name);
        ownVariables().insert(key, before);
    }
    qputenv(name, value);
}

QProcessEnvironment userEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto it = ownVariables().cbegin(); it != ownVariables().cend(); ++it) {
        if (it.value())
            environment.insert(it.key(), *it.value());
        else
            environment.remove(it.key());
    }
    return environment;
}

void installDesktopOpener()
{
    auto *opener = new DesktopOpener(QCoreApplication::instance());
    for (const QString &scheme : {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")})
        QDesktopServices::setUrlHandler(scheme, opener, "open");
}

} // namespace platform

#include "ShellOpen.moc"
