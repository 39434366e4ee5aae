#include "data/DataSource.h"

#include "data/TableCursor.h"

DataSource::DataSource(TableCursor *dataSet, QObject *parent) : QObject(parent)
{
    setDataSet(dataSet);
}

void DataSource::setDataSet(TableCursor *dataSet)
{
    if (m_link)
        disconnect(m_link);
    m_dataSet = dataSet;
    if (!m_dataSet)
        return;
    m_link = connect(m_dataSet, &TableCursor::recordChanged, this, &DataSource::dataChange);
    // Linked to a cursor already open, the controls show its current record at once, not only
    // from its next move (the test window is made after its chapter's questions were opened).
    if (m_dataSet->isOpen())
        Q_EMIT dataChange();
}
