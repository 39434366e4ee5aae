#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

class QObject;
class QUrl;

namespace platform {

// Opens a presentation with the desktop's program for its type (xdg-open through
// QDesktopServices). A relative path is taken against the current directory; backslashes are
// folder separators. Only a file whose real path lies inside Present is handed over: false means
// refused, nothing was started. Tests catch the call with QDesktopServices::setUrlHandler.
bool shellOpen(const QString &path);
// Opens a web address in the desktop's browser; false: not an http or https address, refused.
bool openInBrowser(const QUrl &url);

// Sets an environment variable for this program alone (font aliases, page engine switches):
// the programs it starts for the user get the user's own value back, see userEnvironment().
void setOwnEnvironment(const char *name, const QByteArray &value);
// This process's environment with the program's own settings undone.
QProcessEnvironment userEnvironment();
// From now on files and web addresses open through xdg-open started with userEnvironment(),
// so a PDF viewer or browser does not inherit, say, the page engine's disabled sandbox. The
// opener lives as long as the owner (the application when none is given).
void installDesktopOpener(QObject *owner = nullptr);

} // namespace platform
