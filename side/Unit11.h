#pragma once

#include <QWidget>

namespace platform {
class WebView;
}

// The user-manual window: a web view that fills it.
class TForm11 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm11(QWidget *parent = nullptr);
    ~TForm11() override;

    platform::WebView *WebBrowser1;
};

extern TForm11 *Form11;
