#pragma once

#include "shell/Windows.h"

#include <QWidget>

class Connection;
class QComboBox;
class TableCursor;

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
};

extern TForm10 *Form10;
