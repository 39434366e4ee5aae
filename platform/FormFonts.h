#pragma once

class QWidget;

namespace platform {

// Designer forms give font sizes in points only, while the windows are laid out in pixels and
// must look the same at any screen resolution. A form therefore states a widget's size in pixels
// in the dynamic property "fontPixelSize"; this sets it on the form and each of its widgets,
// parents before children. Call it right after setupUi.
void applyPixelFonts(QWidget *form);

} // namespace platform
