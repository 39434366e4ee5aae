#pragma once

#include <QWidget>

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

    platform::ClickableLabel *Label2;
    platform::ClickableLabel *Label1;
    platform::ClickableLabel *Label4;
    platform::WebView *WebBrowser1;

    void FormClick();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
};

extern TForm9 *Form9;
