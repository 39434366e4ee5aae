#pragma once

#include <QColor>

// The named colours the windows use, in one place for the code and the tests.
namespace colour {

inline const QColor red(255, 0, 0);
inline const QColor maroon(128, 0, 0);
inline const QColor green(0, 128, 0);
inline const QColor lime(0, 255, 0);
inline const QColor blue(0, 0, 255);
inline const QColor navy(0, 0, 128);
inline const QColor purple(128, 0, 128);
inline const QColor white(255, 255, 255);
inline const QColor skyBlue(166, 202, 240);
inline const QColor moneyGreen(192, 220, 192);
inline const QColor buttonFace(212, 208, 200);

} // namespace colour
