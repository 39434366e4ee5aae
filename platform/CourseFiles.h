#pragma once

#include <QString>

namespace platform {

// The course's own folders. They are looked for beside the program and in the current
// directory, which are one folder when the program is started from its own folder.
enum class CourseFolder
{
    Pages,        // Glaves
    Presentations // Present
};

// Whether the file lies inside the folder by its real path: symbolic links resolved and ".."
// taken as the file system takes it, never by the text of the path. A file that does not exist
// is judged by the nearest folder above it that does.
bool insideCourseFolder(const QString &file, CourseFolder folder);

// A page the view may show: an .htm or .html file inside Glaves (it may be missing).
bool isCoursePage(const QString &file);

} // namespace platform
