#pragma once

#include "data/AttemptJournal.h"
#include "shell/Windows.h"

#include <QFont>
#include <QSet>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class DataSource;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class TableCursor;

namespace Ui {
class TForm6;
} // namespace Ui

namespace platform {
class Bevel;
class ClickableLabel;
} // namespace platform

// The test window: one timed multiple-choice test of one chapter.
class TForm6 : public QWidget, public shell::TestWindow
{
    Q_OBJECT
public:
    explicit TForm6(QWidget *parent = nullptr);
    ~TForm6() override;

    // The widgets of the form (testing/Unit6.ui).
    platform::Bevel *Bevel1;
    platform::Bevel *Bevel2;
    QFrame *Panel1;
    QLabel *Label1;
    QLabel *Label2;
    platform::ClickableLabel *Label3;
    platform::ClickableLabel *Label4;
    platform::ClickableLabel *Label5;
    platform::ClickableLabel *Label6;
    platform::ClickableLabel *Label7;
    QPushButton *Button1;
    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    QRadioButton *RadioButton3;
    QRadioButton *RadioButton4;
    QRadioButton *RadioButton5;
    QLabel *Label8;
    QGroupBox *GroupBox1;
    QLabel *Label11;
    QLabel *Label12;
    QLabel *Label13;
    QLabel *Label14;
    QLabel *Label9;
    QLabel *Label10;

    QTimer *Timer1;
    DataSource *DataSource1;
    DataSource *DataSource2;
    DataSource *DataSource3;
    DataSource *DataSource4;
    DataSource *DataSource5;
    DataSource *DataSource6;

    // Test state, read and written by the reader at launch.
    int MinLeft = 0;
    int SecLeft = 0;
    int RightCount = 0;
    int WrongCount = 0;
    int QuestionCount = 0;
    int Grade = 0;
    int QuestionNo = 0;
    QString ChosenLetter;
    // Label2 .. Label7: the question and the five answers.
    std::array<QLabel *, 6> AnswerLabels{};

    // Why a test of this chapter cannot start or could not be graded (settings missing or out
    // of range, no questions, a right letter other than A..E, a grade that could not be
    // stored), as a Russian message; empty when it can.
    QString launchProblem(TableCursor *testTab) const override;

    QWidget *asWidget() override { return this; }
    void setQuestionCount(int count) override { QuestionCount = count; }
    int questionCount() const override { return QuestionCount; }
    int minutesLeft() const override { return MinLeft; }
    // Begins the attempt in the journal and starts the countdown from MinLeft minutes now. An
    // attempt the journal cannot begin is told, and the window closes.
    void startCountdown() override;
    // Asks whether to go on with the attempt cut short; yes opens the chapter and the test at the
    // first question not answered, with the answers given counted and the time that was left; no
    // ends it without a grade.
    void offerToContinue(qint64 attempt) override;
    // The attempt running in the window, or 0.
    qint64 attemptId() const { return m_attempt ? m_attempt->attempt().id : 0; }

    // Links the record-change notifications of the data module's six test cursors to this
    // window; the window set calls it once the data module exists.
    void bindDataSources();

    void FormShow();
    void FormClose();
    void DataSource1DataChange();
    void DataSource2DataChange();
    void DataSource3DataChange();
    void DataSource4DataChange();
    void DataSource5DataChange();
    void DataSource6DataChange();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void RadioButton5Click();
    void Label3Click();
    void Label4Click();
    void Label5Click();
    void Label6Click();
    void Label7Click();
    void Button1Click();
    void NextQ();
    void Rbt();
    void Timer1Timer();
    void ShowTime();
    void Result();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void connectHandlers();
    void showQuestion(TableCursor *testTab);
    void choose(QRadioButton *button);
    void uncheckAnswers();
    TableCursor *locateResultRow() const;
    // The countdown's seconds left, from the deadline.
    int secondsLeft() const;
    void countAnswer(bool right);
    // Past the questions answered already (a test that went on after a crash).
    void skipAnswered(TableCursor *testTab);
    void continueAttempt(const Attempt &attempt);
    // Records the chosen answer; while the database is away the student may send it again. False:
    // it could not be recorded, and the test has ended without a grade.
    bool recordAnswer(int question, bool &right);
    void offerRetry(const QString &failure);
    void showReader();

    std::unique_ptr<Ui::TForm6> m_ui;
    // The designed sizes the question number and the answer texts start from.
    int m_numberWidth = 0;
    std::array<QFont, 6> m_designFonts;
    // The countdown runs to this moment of the steady clock.
    qint64 m_deadlineMs = 0;
    // Result has begun: the answers are counted, and "Следующий" only tries the ending again.
    bool m_ending = false;
    // The attempt of the test running in the window, kept in the journal as it goes.
    std::optional<RunningAttempt> m_attempt;
    QSet<int> m_answered;
};

extern TForm6 *Form6;
