#pragma once

#include <QString>

namespace platform {

// Folder of the running program, with a trailing '/'. Tests may point it elsewhere.
QString programFolder();
void setProgramFolder(const QString &folder); // empty restores the real one

// Folder that holds Data.mdb: the current directory, chosen by whoever started the program (the
// launcher picks a student's own folder or a class's shared one), with a trailing '/'.
QString dataFolder();

// A page path as stored or named by a window: a relative one ("Glaves\Glava2.htm") is expanded
// against the program's folder, where the pages are installed; the text of the relative part is
// kept as it is (see localPath() for opening it). A whole path is kept, unless its page is gone
// and the same page lies beside the program: pages stored while the program ran from another
// folder (an older install copied it into the user's home) still open.
QString expandFileName(const QString &path);

// A file of the course inside the program's folder ("Present\a.pdf"), as the file system wants it.
QString contentFile(const QString &relative);

// One of the program's modules (libvelanika_pages.so): beside the program, else in the build's
// program folder (for tests run from elsewhere in the build tree). Empty when there is none.
QString moduleFile(const QString &fileName);

// A stored path as the file system wants it: backslashes are folder separators.
QString localPath(const QString &path);

} // namespace platform
