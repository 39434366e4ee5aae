#include "platform/TextPageLook.h"

#include "platform/Colours.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace platform::textpage {

namespace {

QSizeF naturalSize(QTextBrowser *browser, const QString &name)
{
    QVariant resource = browser->document()->resource(QTextDocument::ImageResource, QUrl(name));
    if (!resource.isValid())
        resource = browser->loadResource(QTextDocument::ImageResource, QUrl(name));
    if (resource.typeId() == QMetaType::QImage)
        return resource.value<QImage>().size();
    if (resource.typeId() == QMetaType::QPixmap)
        return resource.value<QPixmap>().size();
    return QImage::fromData(resource.toByteArray()).size();
}

void scale(QTextBrowser *browser, QTextCharFormat &format, double factor, double defaultPoints)
{
    if (format.hasProperty(QTextFormat::FontPixelSize)) {
        format.setProperty(QTextFormat::FontPixelSize, qRound(format.intProperty(QTextFormat::FontPixelSize) * factor));
    } else {
        const double points = format.fontPointSize() > 0 ? format.fontPointSize() : defaultPoints;
        format.setFontPointSize(points * factor);
    }
    if (!format.isImageFormat())
        return;
    QTextImageFormat image = format.toImageFormat();
    QSizeF size(image.width(), image.height());
    if (size.width() <= 0 || size.height() <= 0) {
        const QSizeF natural = naturalSize(browser, image.name());
        if (size.width() <= 0 && size.height() > 0 && natural.height() > 0)
            size.setWidth(natural.width() * size.height() / natural.height());
        else if (size.height() <= 0 && size.width() > 0 && natural.width() > 0)
            size.setHeight(natural.height() * size.width() / natural.width());
        else if (size.width() <= 0 && size.height() <= 0)
            size = natural;
    }
    if (!size.isEmpty()) {
        image.setWidth(size.width() * factor);
        image.setHeight(size.height() * factor);
    }
    format = image;
}

void darken(QTextCharFormat &format, const QTextBlock &block)
{
    if (format.isAnchor())
        format.setForeground(colour::page::darkLink);
    else if (block.blockFormat().headingLevel() > 0)
        format.setForeground(colour::page::darkHeading);
    else
        format.setForeground(colour::page::darkText);
    format.clearBackground();
}

void darkenFrames(QTextFrame *frame)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child)) {
            QTextTableFormat format = table->format();
            format.setBorderBrush(colour::page::darkBorder);
            format.clearBackground();
            table->setFormat(format);
            for (int row = 0; row < table->rows(); ++row) {
                for (int column = 0; column < table->columns(); ++column) {
                    QTextTableCell cell = table->cellAt(row, column);
                    QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
                    cellFormat.clearBackground();
                    cellFormat.setBorderBrush(colour::page::darkBorder);
                    cell.setFormat(cellFormat);
                }
            }
        } else {
            QTextFrameFormat format = child->frameFormat();
            format.clearBackground();
            child->setFrameFormat(format);
        }
        darkenFrames(child);
    }
}

} // namespace

void restyle(QTextBrowser *browser, double factor, bool dark)
{
    QPalette palette = QApplication::palette(browser);
    if (dark) {
        palette.setColor(QPalette::Base, colour::page::darkBackground);
        palette.setColor(QPalette::Text, colour::page::darkText);
    }
    browser->setPalette(palette);

    const bool scaled = !qFuzzyCompare(factor, 1.0);
    if (!scaled && !dark)
        return;
    QTextDocument *document = browser->document();
    const double defaultPoints = document->defaultFont().pointSizeF();
    QTextCursor editing(document);
    editing.beginEditBlock();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (dark) {
            QTextBlockFormat format = block.blockFormat();
            format.clearBackground();
            QTextCursor cursor(block);
            cursor.setBlockFormat(format);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (scaled)
                scale(browser, format, factor, defaultPoints);
            if (dark)
                darken(format, block);
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    if (dark) {
        darkenFrames(document->rootFrame());
        QTextFrameFormat root = document->rootFrame()->frameFormat();
        root.setBackground(colour::page::darkBackground);
        document->rootFrame()->setFrameFormat(root);
    }
    editing.endEditBlock();
}

QList<QTextCursor> occurrences(QTextDocument *document, const QString &text, bool wholeWords)
{
    QList<QTextCursor> found;
    if (text.isEmpty())
        return found;
    const QTextDocument::FindFlags flags = wholeWords ? QTextDocument::FindWholeWords : QTextDocument::FindFlags();
    QTextCursor cursor = document->find(text, 0, flags);
    while (!cursor.isNull()) {
        found << cursor;
        cursor = document->find(text, cursor, flags);
    }
    return found;
}

void scrollTo(QTextBrowser *browser, const QTextCursor &cursor)
{
    QTextCursor place(cursor);
    place.setPosition(cursor.selectionStart());
    browser->setTextCursor(place);
    const QRect rect = browser->cursorRect(place);
    QScrollBar *bar = browser->verticalScrollBar();
    bar->setValue(bar->value() + rect.center().y() - browser->viewport()->height() / 2);
}

} // namespace platform::textpage
