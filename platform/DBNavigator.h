#pragma once

#include <QList>
#include <QMetaObject>
#include <QWidget>

class QPushButton;
class TableCursor;

namespace platform {

// A record navigator over a table cursor: first, prior, next and last. A button that cannot
// move the cursor is disabled, as on the desktop's own navigator.
class DBNavigator : public QWidget
{
    Q_OBJECT
public:
    explicit DBNavigator(QWidget *parent = nullptr);

    void setDataSet(TableCursor *cursor);
    TableCursor *dataSet() const { return m_cursor; }

    QPushButton *First;
    QPushButton *Prior;
    QPushButton *Next;
    QPushButton *Last;

private:
    void step(void (TableCursor::*action)());
    void updateButtons();

    TableCursor *m_cursor = nullptr;
    QList<QMetaObject::Connection> m_links;
};

} // namespace platform
