#pragma once

#include <QString>

namespace platform {

// Folder of the running program, with a trailing '/'. Tests may point it elsewhere.
QString programFolder();
void setProgramFolder(const QString &folder); // empty restores the real one

// A relative page path ("Glaves\Glava2.htm") expanded against the current directory.
// The text of the relative part is kept as it is; see localPath() for opening it.
QString expandFileName(const QString &relative);

// A stored path as the file system wants it: backslashes are folder separators.
QString localPath(const QString &path);

} // namespace platform
