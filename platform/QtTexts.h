#pragma once

namespace platform {

// Qt's own texts in Russian, whatever the system's language: the edit boxes' and pages' context
// menus, the file and print dialogs, the page view's menu. The program speaks Russian throughout.
// False when Qt's translations are not installed (package qt6-translations-l10n): the program
// works on, with Qt's English texts.
bool installRussianQtTexts();

} // namespace platform
