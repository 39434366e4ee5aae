#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QTimer;

namespace Ui {
class TForm14;
} // namespace Ui

namespace platform {
class BitBtn;
} // namespace platform

// The teacher's password prompt. A wrong password is refused with a message; after repeated
// failures OK waits a growing delay (see refusalDelaySeconds) on a timer, the window still alive.
class TForm14 : public QDialog
{
    Q_OBJECT
public:
    // check answers whether the password is the teacher's (it may throw DbError).
    explicit TForm14(std::function<bool(const QString &)> check, QWidget *parent = nullptr);
    ~TForm14() override;

    // The widgets of the form (desk/Unit14.ui).
    QLabel *Label1;
    QLineEdit *Edit1;
    QLabel *Label2;
    platform::BitBtn *BitBtn1;
    platform::BitBtn *BitBtn2;
    // Runs out when OK may be pressed again.
    QTimer *Timer1;

    void BitBtn1Click();
    void Timer1Timer();
    int failures() const { return m_failures; }

private:
    std::unique_ptr<Ui::TForm14> m_ui;
    std::function<bool(const QString &)> m_check;
    int m_failures = 0;
};
