#pragma once

#include "shell/Windows.h"

#include <QWidget>

#include <memory>

class QFrame;
class QLabel;
class QTableView;
class TableCursor;

namespace Ui {
class TForm3;
} // namespace Ui

namespace platform {
class Bevel;
class BitBtn;
class CursorTableModel;
class DBNavigator;
} // namespace platform

// The statistics window: the students and, for the one chosen, the chapters opened with grades.
// It browses cursors of its own, so looking at another student's results never changes the
// student the rest of the program acts for.
class TForm3 : public QWidget, public shell::Statistics
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);
    ~TForm3() override;

    // The widgets of the form (stats/Unit3.ui).
    QLabel *Image1;
    platform::Bevel *Bevel2;
    QTableView *DBGrid1;
    QLabel *StaticText1;
    QTableView *DBGrid2;
    QFrame *Panel1;
    platform::DBNavigator *DBNavigator1;
    platform::BitBtn *BitBtn1;
    platform::BitBtn *BitBtn2;

    // The window's own cursors over Users and Result (Result a detail of the users cursor);
    // null until the first prepare(), as the data module is created after this window.
    TableCursor *usersCursor() const { return m_users; }
    TableCursor *resultsCursor() const { return m_results; }

    // The reader's opening step: lists hidden, data re-read, positioned on the signed-in student.
    QWidget *asWidget() override { return this; }
    void prepare() override;

    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void createCursors();
    void setListsVisible(bool visible);

    std::unique_ptr<Ui::TForm3> m_ui;
    TableCursor *m_users = nullptr;
    TableCursor *m_results = nullptr;
    platform::CursorTableModel *m_usersModel = nullptr;
    platform::CursorTableModel *m_resultsModel = nullptr;
};

extern TForm3 *Form3;
