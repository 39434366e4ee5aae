#pragma once

#include "shell/Windows.h"

#include <QWidget>

namespace platform {
class WebView;
}

// The user-manual window: a web view that fills it.
class TForm11 : public QWidget, public shell::Manual
{
    Q_OBJECT
public:
    explicit TForm11(QWidget *parent = nullptr);
    ~TForm11() override;

    platform::WebView *WebBrowser1;

    QWidget *asWidget() override { return this; }
    platform::WebView *browser() override { return WebBrowser1; }
};

extern TForm11 *Form11;
