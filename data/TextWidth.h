#pragma once

#include <QString>
#include <QStringView>

// Text widths as the database counts them: a character is a code point, so a surrogate pair
// counts once.
qsizetype textWidth(QStringView text);

// The longest beginning of text at most width characters wide that ends between two characters
// as the reader sees them (grapheme clusters): an emoji with its modifiers, or a letter with its
// accents, is kept whole or left out whole. A width of 0 or less keeps the text as it is.
QString cutToWidth(const QString &text, qsizetype width);
