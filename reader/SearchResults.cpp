#include "reader/SearchResults.h"

#include "platform/Colours.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QTextDocument>

namespace reader {

namespace {

// The snippet shows this many lines at most.
constexpr int snippetLines = 3;

void layOut(QTextDocument &document, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    document.setDefaultFont(option.font);
    document.setDocumentMargin(4);
    document.setDefaultStyleSheet(QStringLiteral("p { margin: 0; } p.title { font-weight: bold; margin-bottom: 2px; }"
                                                 "b { background-color: %1; }")
                                      .arg(colour::page::marked.name()));
    document.setHtml(QStringLiteral("<p class=\"title\">%1</p><p>%2</p>")
                         .arg(index.data(Qt::DisplayRole).toString().toHtmlEscaped(),
                              index.data(SearchResultsModel::SnippetRole).toString()));
    document.setTextWidth(option.rect.width() > 0 ? option.rect.width() : 400);
}

} // namespace

void SearchResultsModel::setHits(const QList<search::SearchHit> &hits)
{
    beginResetModel();
    m_hits = hits;
    endResetModel();
}

int SearchResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_hits.size());
}

QVariant SearchResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const search::SearchHit &hit = m_hits[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return hit.title;
    case Qt::ToolTipRole:
        return hit.page;
    case Qt::AccessibleDescriptionRole: {
        QTextDocument plain;
        plain.setHtml(hit.snippet);
        return plain.toPlainText();
    }
    case PageRole:
        return hit.page;
    case SnippetRole:
        return hit.snippet;
    default:
        return {};
    }
}

void SearchResultDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    QStyle *style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    QTextDocument document;
    layOut(document, option, index);
    QAbstractTextDocumentLayout::PaintContext context;
    const bool selected = option.state & QStyle::State_Selected;
    context.palette.setColor(QPalette::Text,
                             option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->save();
    painter->translate(option.rect.topLeft());
    const QRect clip(0, 0, option.rect.width(), option.rect.height());
    painter->setClipRect(clip);
    context.clip = clip;
    document.documentLayout()->draw(painter, context);
    painter->restore();
}

QSize SearchResultDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // Every item as high as a title and the snippet's lines: the list scrolls evenly.
    const int line = option.fontMetrics.lineSpacing();
    return {option.rect.width(), 8 + 2 + line * (1 + snippetLines) + 2};
}

} // namespace reader
