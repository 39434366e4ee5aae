#pragma once

#include <QList>
#include <QString>
#include <QTextCursor>

class QTextBrowser;
class QTextDocument;

// The light view's page as the student wants to read it: larger or smaller, or light on dark.
// A page's own styles give its fonts fixed sizes, which the view's zoom leaves alone, so the
// document loaded is changed instead.
namespace platform::textpage {

// Scales the fonts and pictures of the loaded page by factor and, when dark, gives it light text
// on a dark page: links and headings keep a colour of their own, backgrounds go.
void restyle(QTextBrowser *browser, double factor, bool dark);

// Every place the text stands in the document, in order, in any case; whole words only when asked.
QList<QTextCursor> occurrences(QTextDocument *document, const QString &text, bool wholeWords);

// Scrolls the view so that the cursor's place stands in the middle of it.
void scrollTo(QTextBrowser *browser, const QTextCursor &cursor);

} // namespace platform::textpage
