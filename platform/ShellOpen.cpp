#include "ShellOpen.h"

#include "ProgramPaths.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace platform {

bool shellOpen(const QString &path)
{
    const QString local = localPath(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath(local)));
}

bool openInBrowser(const QString &url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

} // namespace platform
