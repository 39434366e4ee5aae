#pragma once

#include "search/SearchIndex.h"

#include <QAbstractListModel>
#include <QList>
#include <QStyledItemDelegate>

namespace reader {

// The pages found, best first: the page's title, and a piece of its text with the words found.
class SearchResultsModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role
    {
        PageRole = Qt::UserRole + 1, // the page's path inside Glaves
        SnippetRole,                 // HTML, the words found in <b>
    };

    using QAbstractListModel::QAbstractListModel;

    void setHits(const QList<search::SearchHit> &hits);
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QList<search::SearchHit> m_hits;
};

// Draws a page found as its title over its snippet, the words found marked.
class SearchResultDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace reader
