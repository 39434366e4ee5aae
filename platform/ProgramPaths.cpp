#include "platform/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

QString dataFolder()
{
    QString folder = QDir::currentPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString expandFileName(const QString &path)
{
    if (path.isEmpty())
        return path;
    if (!path.startsWith(u'/'))
        return programFolder() + path;
    if (QFileInfo::exists(localPath(path)))
        return path;
    // The stored page is "<folder>/Glaves\<page>": the part after the folder names the page.
    const QString page = path.mid(path.lastIndexOf(u'/') + 1);
    if (page.startsWith(QStringLiteral("Glaves\\")) && QFileInfo::exists(contentFile(page)))
        return programFolder() + page;
    return path;
}

QString contentFile(const QString &relative)
{
    return programFolder() + localPath(relative);
}

QString localPath(const QString &path)
{
    QString result = path;
    result.replace(u'\\', u'/');
    return result;
}

QString moduleFile(const QString &fileName)
{
    for (const QString &folder : {QCoreApplication::applicationDirPath(), QStringLiteral(TEXTBOOK_BUILD_DIR)}) {
        const QString file = QDir(folder).filePath(fileName);
        if (QFileInfo::exists(file))
            return file;
    }
    return {};
}

} // namespace platform
