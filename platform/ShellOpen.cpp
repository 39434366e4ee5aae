#include "platform/ShellOpen.h"

#include "platform/CourseFiles.h"
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

const QStringList openedSchemes{QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};

class DesktopOpener : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Qt warns about a handler destroyed while still registered.
    ~DesktopOpener() override
    {
        for (const QString &scheme : openedSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

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
    const QString file = QDir::current().absoluteFilePath(localPath(path));
    if (!insideCourseFolder(file, CourseFolder::Presentations))
        return false;
    // What the desktop makes of it is its own business.
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    return true;
}

bool openInBrowser(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if ((scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return false;
    QDesktopServices::openUrl(url);
    return true;
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

void installDesktopOpener(QObject *owner)
{
    auto *opener = new DesktopOpener(owner ? owner : QCoreApplication::instance());
    for (const QString &scheme : openedSchemes)
        QDesktopServices::setUrlHandler(scheme, opener, "open");
}

} // namespace platform

#include "ShellOpen.moc"
