#pragma once

#include "data/Connection.h"
#include "data/QuestionBank.h"
#include "shell/Windows.h"

#include <QWidget>

#include <memory>

class QChartView;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class SheetFilter;
class SheetModel;
class TForm14;

namespace Ui {
class TForm13;
} // namespace Ui

// The teacher's desk: the class's grade sheet with its chart, the questions the class gets wrong
// and the test settings. It keeps a connection of its own to the program's database.
class TForm13 : public QWidget, public shell::TeacherDesk
{
    Q_OBJECT
public:
    explicit TForm13(QWidget *parent = nullptr);
    ~TForm13() override;

    // The widgets of the form (desk/Unit13.ui).
    QTabWidget *PageControl1;
    QComboBox *ComboBox1; // course
    QComboBox *ComboBox2; // specialty
    QPushButton *ButtonCsv;
    QPushButton *ButtonPdf;
    QTableView *SheetGrid;
    QWidget *SheetChart;  // holds the chart, when the desk module is there
    QLabel *Label3;       // rows shown
    QComboBox *ComboBox3; // chapter
    QLabel *Label5;       // graded tests of the chapter
    QTableView *QuestionGrid;
    QSpinBox *SpinMinutes;
    QSpinBox *SpinFine;
    QSpinBox *SpinGood;
    QSpinBox *SpinBad;
    QPushButton *ButtonSave;
    QComboBox *ComboBox4; // chapter of the bank
    QPushButton *ButtonOpen;
    QLabel *Label12; // the file read
    QPushButton *ButtonExport;
    QTableView *PreviewGrid;
    QListWidget *RejectedList;
    QRadioButton *RadioAppend;
    QRadioButton *RadioReplace;
    QPushButton *ButtonImport;

    SheetModel *sheetModel() const { return m_sheet; }
    SheetFilter *sheetFilter() const { return m_filter; }
    QStandardItemModel *questionModel() const { return m_questions; }
    QStandardItemModel *previewModel() const { return m_preview; }
    TForm14 *passwordWindow() const { return m_password; }

    void askPassword(QWidget *over) override;
    // Reads everything again from the database; a failure is told and leaves the desk as it was.
    void refresh();

    void ComboBoxFilterChange();
    void ComboBox3Change();
    void ButtonSaveClick();
    void ButtonCsvClick();
    void ButtonPdfClick();
    void ButtonOpenClick();
    void ButtonImportClick();
    void ButtonExportClick();
    // Reads a bank file and shows what an import would write, and what it would leave out; nothing
    // is written yet.
    void previewBank(const QString &path);

private:
    void connectHandlers();
    void fillFilter(QComboBox *box, int column);
    void fillChapters(QComboBox *box);
    void drawChart();
    bool passwordIsRight(const QString &password);

    std::unique_ptr<Ui::TForm13> m_ui;
    Connection m_db;
    QString m_server; // the configured server's connection string; empty for Data.mdb
    SheetModel *m_sheet;
    SheetFilter *m_filter;
    QWidget *m_chart = nullptr; // the module's chart view, or a word that it is missing
    QStandardItemModel *m_questions;
    QStandardItemModel *m_preview;
    ParsedBank m_bank;
    TForm14 *m_password = nullptr;
};

extern TForm13 *Form13;
