#include "platform/DBGrid.h"

#include <QHeaderView>

namespace platform {

DBGrid::DBGrid(QWidget *parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Row height follows the font, so it is set here rather than in a form.
    const int rowHeight = fontMetrics().height() + 4;
    QHeaderView *rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(rowHeight);
    rows->setMinimumSectionSize(rowHeight);
    rows->setFixedWidth(14);
    rows->setDefaultAlignment(Qt::AlignCenter);
    rows->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setFixedHeight(rowHeight + 2);
}

} // namespace platform
