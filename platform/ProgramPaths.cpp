#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

namespace {
QString &folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString programFolder()
{
    QString folder = folderOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

void setProgramFolder(const QString &folder)
{
    folderOverride() = folder;
}

QString expandFileName(const QString &relative)
{
    if (relative.isEmpty())
        return relative;
    if (relative.startsWith(u'/'))
        return relative;
    QString base = QDir::currentPath();
    if (!base.endsWith(u'/'))
        base += u'/';
    return base + relative;
}

QString localPath(const QString &path)
{
    QString result = path;
    result.replace(u'\\', u'/');
    return result;
}

} // namespace platform
