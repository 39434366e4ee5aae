#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

class QTableView;
class TableCursor;

namespace platform {

// One grid column: the cursor's field it shows, its heading and its width in pixels.
struct GridColumn
{
    QString field;
    QString title;
    int width = 0; // 0: the view's default
};

// A read-only table model over a table cursor, as a data-bound grid shows it. The vertical
// header is the row indicator: it marks the cursor's current row.
class CursorTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    CursorTableModel(TableCursor *cursor, const QList<GridColumn> &columns, QObject *parent = nullptr);

    TableCursor *cursor() const { return m_cursor; }
    const QList<GridColumn> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void reload();
    void currentMoved();

    TableCursor *m_cursor;
    QList<GridColumn> m_columns;
    QList<int> m_fieldIndexes;
    int m_rows = 0;
    int m_current = -1;
};

// Puts the model into the view as a grid: column widths, whole-row selection, no editing, and
// the view's current row kept in step with the cursor's row both ways.
void bindTableView(QTableView *view, CursorTableModel *model);

} // namespace platform
