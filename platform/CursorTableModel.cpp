#include "platform/CursorTableModel.h"

#include "data/TableCursor.h"
#include "platform/HandlerGuard.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <exception>
#include <utility>

namespace platform {

CursorTableModel::CursorTableModel(TableCursor *cursor, const QList<GridColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_cursor(cursor), m_columns(columns)
{
    // Rows are cached between resets: a view must never see the count change behind its back.
    connect(m_cursor, &TableCursor::rowsReset, this, [this] {
        beginResetModel();
        reload();
        endResetModel();
    });
    connect(m_cursor, &TableCursor::recordChanged, this, &CursorTableModel::currentMoved);
    reload();
}

void CursorTableModel::reload()
{
    m_fieldIndexes.clear();
    for (const GridColumn &column : std::as_const(m_columns))
        m_fieldIndexes.append(m_cursor->fieldIndex(column.field));
    m_rows = m_cursor->isOpen() ? m_cursor->recordCount() : 0;
    m_current = m_cursor->isOpen() ? m_cursor->recNo() : -1;
}

void CursorTableModel::currentMoved()
{
    const int previous = m_current;
    m_current = m_cursor->isOpen() ? m_cursor->recNo() : -1;
    if (previous >= 0 && previous < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, previous, previous);
    if (m_current >= 0 && m_current < m_rows) {
        Q_EMIT headerDataChanged(Qt::Vertical, m_current, m_current);
        // The current row may just have been posted with new values.
        Q_EMIT dataChanged(index(m_current, 0), index(m_current, columnCount() - 1));
    }
}

int CursorTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CursorTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant CursorTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)
        return {};
    const int field = m_fieldIndexes.at(index.column());
    if (field < 0)
        return {};
    QVariant value;
    // Painting cannot report an error: a cell that cannot be read stays blank.
    try {
        value = m_cursor->valueAt(index.row(), field);
    } catch (const std::exception &) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
                            value.typeId() == QMetaType::Double;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    return value;
}

QVariant CursorTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? QVariant(m_columns.at(section).title) : QVariant();
    return section == m_current ? QVariant(QStringLiteral("►")) : QVariant(QString());
}

Qt::ItemFlags CursorTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void bindTableView(QTableView *view, CursorTableModel *model)
{
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    const QList<GridColumn> &columns = model->columns();
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).width > 0)
            view->setColumnWidth(i, columns.at(i).width);
    }

    TableCursor *cursor = model->cursor();
    // A row chosen in the grid (click or keyboard) moves the cursor.
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [cursor](const QModelIndex &current) {
                         if (!current.isValid() || !cursor->isOpen() || cursor->recNo() == current.row())
                             return;
                         guarded([&] { cursor->setRecNo(current.row()); });
                     });
    // A cursor that moves takes the grid's current row with it. Connected after the model's
    // own reset, so the rows are already there.
    auto follow = [view, model, cursor] {
        const int row = cursor->isOpen() ? cursor->recNo() : -1;
        if (row < 0 || row >= model->rowCount())
            return;
        const QModelIndex current = view->currentIndex();
        if (current.isValid() && current.row() == row)
            return;
        const QModelIndex target = model->index(row, current.isValid() ? current.column() : 0);
        view->selectionModel()->setCurrentIndex(target,
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(target);
    };
    QObject::connect(cursor, &TableCursor::rowsReset, view, follow);
    QObject::connect(cursor, &TableCursor::recordChanged, view, follow);
    follow();
}

} // namespace platform
