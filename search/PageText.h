#pragma once

#include <QByteArray>
#include <QString>

namespace search {

// What a reader sees of a page: its title and its text.
struct PageText
{
    QString title;
    // Blocks (paragraphs, headings, list items, cells) on lines of their own, spaces collapsed.
    QString text;
};

// The text of a page file as its bytes say: a byte-order mark, else the charset the page
// declares (word-processor pages are often windows-1251), else UTF-8 when the bytes are valid
// UTF-8 and windows-1251 when they are not.
QString decodePage(const QByteArray &bytes);

// The title and visible text of an HTML page: tags, comments, styles and scripts dropped,
// character references decoded. Inline tags (a word split by a <span>) join, block tags part.
PageText pageText(const QString &html);

} // namespace search
