#include "platform/CourseFiles.h"

#include "platform/ProgramPaths.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

// The real path of a file as the file system opens it; for a missing file, the real path of the
// nearest existing folder above it followed by the rest of the path.
QString realPath(const QString &file)
{
    const QString absolute = QDir::current().absoluteFilePath(file);
    const QString real = QFileInfo(absolute).canonicalFilePath();
    if (!real.isEmpty())
        return real;
    QString folder = QDir::cleanPath(absolute);
    QStringList rest;
    while (folder.size() > 1) {
        const int slash = folder.lastIndexOf(u'/');
        rest.prepend(folder.mid(slash + 1));
        folder = slash > 0 ? folder.left(slash) : QStringLiteral("/");
        const QString existing = QFileInfo(folder).canonicalFilePath();
        if (!existing.isEmpty())
            return QDir(existing).filePath(rest.join(u'/'));
    }
    return {};
}

bool inside(const QString &real, const QString &folder)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || real.isEmpty())
        return false;
    return real.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

} // namespace

bool insideCourseFolder(const QString &file, CourseFolder folder)
{
    const QString name = folder == CourseFolder::Pages ? QStringLiteral("Glaves") : QStringLiteral("Present");
    const QString real = realPath(file);
    return inside(real, QDir(programFolder()).filePath(name)) || inside(real, QDir::current().filePath(name));
}

bool isCoursePage(const QString &file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return (suffix == u"htm" || suffix == u"html") && insideCourseFolder(file, CourseFolder::Pages);
}

} // namespace platform
