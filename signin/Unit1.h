#pragma once

#include "data/Unit8.h"

#include <QString>
#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TableCursor;

namespace Ui {
class QTimer;
class TForm1;
} // namespace Ui

namespace platform {
class BitBtn;
} // namespace platform

// The sign-in window: registration and login of a student. It works in three modes (initial,
// registration, login), switched by showing, hiding and moving its controls and by its height.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The widgets of the form (signin/Unit1.ui).
    QLabel *Image1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QPushButton *SpeedButton1;
    QPushButton *SpeedButton2;
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QLineEdit *Edit3;
    QComboBox *ComboBox1;
    platform::BitBtn *BitBtn1;
    platform::BitBtn *BitBtn2;
    platform::BitBtn *BitBtn3;

    void FormCreate();
    void FormShow();
    void FormClose();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void SetTablesActive(bool active);

    // The password read from the last row a login found.
    QString storedPassword() const { return m_password; }

    // Window heights of the three modes.
    static constexpr int InitialHeight = 100;
    static constexpr int RegistrationHeight = 295;
    static constexpr int LoginHeight = 235;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void connectHandlers();
    void setModeHeight(int height);
    void setCoursePrompt(const QString &text);
    void hideEntryControls();
    // Initial mode after Cancel (everything cleared) or after a login attempt (only the name
    // and password cleared).
    void backToInitialMode(bool clearAll);
    // Stores the new student's row; false (after telling the user) when the name is taken or the
    // file refused the row.
    bool storeNewStudent();
    // Hides the window for good once the reader has taken over.
    void leave();
    // A test the student began and the program did not finish (it ended while the test ran) is
    // offered to go on.
    void offerUnfinishedTest();
    // In the sign-in mode, the page remembered for the name typed is opened ahead in the hidden
    // reader, a moment after the typing stops, so it is on screen at once after OK.
    void preloadStoredPage();

    std::unique_ptr<Ui::TForm1> m_ui;
    QString m_password;
    QTimer *m_preloadTimer;
};

extern TForm1 *Form1;
