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

// The course pages: the dark page's colours, the words of a search marked, find in page.
namespace page {
inline const QColor darkBackground(30, 31, 34);
inline const QColor darkText(220, 220, 220);
inline const QColor darkLink(138, 180, 248);
inline const QColor darkHeading(158, 203, 255);
inline const QColor darkBorder(90, 90, 90);
inline const QColor marked(255, 213, 79);
inline const QColor found(255, 255, 0);
inline const QColor activeFound(255, 150, 50);
} // namespace page

} // namespace colour
