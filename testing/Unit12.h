#pragma once

#include "data/AttemptReview.h"
#include "shell/Windows.h"

#include <QDialog>
#include <QList>

#include <memory>

class QLabel;
class QPushButton;
class QTableWidget;

namespace Ui {
class TForm12;
} // namespace Ui

// The review of a finished test ("Разбор ответов"): every question in order with the answer given
// and the right one, the wrong ones marked; from a wrong one the reader opens the passage that
// explains it.
class TForm12 : public QDialog, public shell::Review
{
    Q_OBJECT
public:
    explicit TForm12(QWidget *parent = nullptr);
    ~TForm12() override;

    // The widgets of the form (testing/Unit12.ui).
    QLabel *Label1; // the attempt: chapter, right answers, grade
    QTableWidget *Grid1;
    QLabel *Label2;       // the whole question of the current line
    QPushButton *Button1; // "Читать в главе"
    QPushButton *Button2;

    // The columns of Grid1.
    enum Column
    {
        NumberColumn,
        VerdictColumn,
        ChosenColumn,
        RightColumn,
        QuestionColumn
    };

    QWidget *asWidget() override { return this; }
    void showAttempt(qint64 attempt) override;

    const QList<ReviewLine> &lines() const { return m_lines; }

    // The current line changed: its question below, and the link when it is a wrong answer whose
    // place is known.
    void Grid1Change();
    // Enter or a double click on a line: the link, where there is one.
    void Grid1Activate();
    void Button1Click();
    void Button2Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectHandlers();
    void fill();
    // Below the reader, else to its right, where the screen has room, else in the screen's lower
    // right corner: the passages it opens stay in sight.
    void placeBesideReader();

    std::unique_ptr<Ui::TForm12> m_ui;
    QList<ReviewLine> m_lines;
};

extern TForm12 *Form12;
