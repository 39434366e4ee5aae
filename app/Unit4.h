#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QTimer;

namespace Ui {
class TForm4;
} // namespace Ui

namespace platform {
class ClickableLabel;
} // namespace platform

// The greeting: a borderless title card that fades in and hands over to the sign-in window.
// It is the application's main window: closing it ends the program.
class TForm4 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr);
    ~TForm4() override;

    // The widgets of the form (app/Unit4.ui).
    platform::ClickableLabel *Label1;
    platform::ClickableLabel *Label2;
    platform::ClickableLabel *Label3;
    platform::ClickableLabel *Label4;
    QTimer *Timer1;

    // The next transparency value; 8-bit like the window's alpha.
    quint8 FadeLevel = 0;
    // The transparency last applied to the window, 0..255.
    int appliedAlpha() const { return m_alpha; }
    // True once the window has been closed, which ends the program.
    bool applicationTerminated() const { return m_terminated; }

    // Run before the sign-in window is brought up; false when the windows behind the greeting
    // could not be made (the program is then ending). Set by the program at start-up.
    std::function<bool()> beforeHandOver;

    void FormCreate();
    void Timer1Timer();
    void scr();
    void FormClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void handOver();
    void setAlpha(int alpha);

    std::unique_ptr<Ui::TForm4> m_ui;
    int m_alpha = 0;
    bool m_terminated = false;
    bool m_centred = false;
};

extern TForm4 *Form4;
