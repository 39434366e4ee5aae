// Unit11: the user-manual window with a frame (TForm11, "Руководство пользователя").

#include "side/Unit11.h"

#include "platform/WebView.h"

#include <QVBoxLayout>

TForm11 *Form11 = nullptr;

TForm11::TForm11(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Руководство пользователя"));
    move(177, 219);
    resize(928, 480);

    WebBrowser1 = new platform::WebView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser1);
}

TForm11::~TForm11() = default;
