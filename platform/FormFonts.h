#pragma once

class QWidget;

namespace platform {

// Designer forms give font sizes in points only, while the windows are laid out in pixels and
// must look the same at any screen resolution. A form therefore states a widget's size in pixels
// in the dynamic property "fontPixelSize"; this sets it on the form and each of its widgets,
// parents before children. Call it right after setupUi. A widget under a style sheet does not
// follow a later change of its parent's font: give it a size of its own, or the size in the sheet.
void applyPixelFonts(QWidget *form);

} // namespace platform
