#pragma once

#include "shell/Windows.h"

#include <QWidget>

#include <memory>

class Connection;
class QComboBox;
class TableCursor;

namespace Ui {
class TForm10;
} // namespace Ui

// The presentations window, with a database connection of its own. Creating it opens
// "Data.mdb" in the current directory and throws DbError when that fails.
class TForm10 : public QWidget, public shell::Presentations
{
    Q_OBJECT
public:
    explicit TForm10(QWidget *parent = nullptr);
    ~TForm10() override;

    // The file its connection opens: "Data.mdb" in the current directory.
    static QString databaseFile();

    // The widget of the form (side/Unit10.ui).
    QComboBox *ComboBox1;
    Connection *ADOConnection1;
    TableCursor *tblPresent;

    // The reader's "Презентации": refill the list from the table and show the window.
    void fillAndShow() override;

    void FormCreate();
    void ComboBox1Change();

private:
    // The row of tblPresent that the previous change of the text matched; -1 when none.
    int m_matchedTopic = -1;
    std::unique_ptr<Ui::TForm10> m_ui;
};

extern TForm10 *Form10;
