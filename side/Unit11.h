#pragma once

#include "shell/Windows.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TForm11;
} // namespace Ui

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

    // The widget of the form (side/Unit11.ui).
    platform::WebView *WebBrowser1;

    QWidget *asWidget() override { return this; }
    platform::WebView *browser() override { return WebBrowser1; }

private:
    std::unique_ptr<Ui::TForm11> m_ui;
};

extern TForm11 *Form11;
