#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class TForm9;
} // namespace Ui

namespace platform {
class ClickableLabel;
class WebView;
} // namespace platform

// The frameless manual window, laid out like the greeting. No command of the program opens it.
class TForm9 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm9(QWidget *parent = nullptr);
    ~TForm9() override;

    // The widgets of the form (side/Unit9.ui).
    platform::ClickableLabel *Label2;
    platform::ClickableLabel *Label1;
    platform::ClickableLabel *Label4;
    platform::WebView *WebBrowser1;

    void FormClick();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TForm9> m_ui;
};

extern TForm9 *Form9;
