#include "DataSource.h"

#include "TableCursor.h"

DataSource::DataSource(TableCursor *dataSet, QObject *parent) : QObject(parent)
{
    setDataSet(dataSet);
}

void DataSource::setDataSet(TableCursor *dataSet)
{
    if (m_link)
        disconnect(m_link);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_link = connect(m_dataSet, &TableCursor::recordChanged, this, &DataSource::dataChange);
}
