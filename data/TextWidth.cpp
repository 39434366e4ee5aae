#include "data/TextWidth.h"

#include <QTextBoundaryFinder>

qsizetype textWidth(QStringView text)
{
    qsizetype width = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            --width;
            ++i;
        }
    }
    return width;
}

QString cutToWidth(const QString &text, qsizetype width)
{
    if (width <= 0 || text.size() <= width)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype kept = 0;
    qsizetype keptWidth = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end > 0; end = graphemes.toNextBoundary()) {
        keptWidth += textWidth(QStringView(text).mid(kept, end - kept));
        if (keptWidth > width)
            break;
        kept = end;
    }
    return text.left(kept);
}
