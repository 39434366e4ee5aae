#pragma once

#include <QString>

namespace platform {

// Opens a file with the desktop's program for its type (xdg-open through QDesktopServices).
// A relative path is taken against the current directory; backslashes are folder separators.
// Tests catch the call with QDesktopServices::setUrlHandler("file", ...).
bool shellOpen(const QString &path);

// Opens a web address in the desktop's browser.
bool openInBrowser(const QString &url);

} // namespace platform
