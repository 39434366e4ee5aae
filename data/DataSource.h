#pragma once

#include <QObject>

class TableCursor;

// A record-change link: forwards its cursor's record-changed notification as dataChange().
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(TableCursor *dataSet = nullptr, QObject *parent = nullptr);

    // Emits dataChange() at once when the cursor is already open.
    void setDataSet(TableCursor *dataSet);
    TableCursor *dataSet() const { return m_dataSet; }

Q_SIGNALS:
    void dataChange();

private:
    TableCursor *m_dataSet = nullptr;
    QMetaObject::Connection m_link;
};
