// Unit9: the frameless user-manual window (TForm9, "Руководство пользователя").

#include "side/Unit9.h"

#include "platform/HandlerGuard.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "shell/Windows.h"

#include <QFont>
#include <QMouseEvent>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

TForm9 *Form9 = nullptr;

namespace {

platform::ClickableLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QRect geometry,
                                    const QString &family, int pixels, const QColor &color)
{
    auto *label = new platform::ClickableLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(true);
    font.setItalic(true);
    label->setFont(font);
    label->setFontColor(color);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    // The free faces standing in for the window fonts run wider; a caption that would wrap
    // into a line its box cannot show is given the width of one line instead.
    const int lineHeight = label->fontMetrics().height();
    if (label->heightForWidth(geometry.width()) > std::max(geometry.height(), lineHeight))
        label->resize(label->fontMetrics().horizontalAdvance(text) + 2, std::max(geometry.height(), lineHeight));
    return label;
}

} // namespace

TForm9::TForm9(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Руководство пользователя"));
    move(205, 81);
    resize(909, 516);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(192, 220, 192));
    setPalette(p);

    Label2 = makeLabel(this, "Label2", QStringLiteral("Веланика"), {136, 104, 163, 64}, QStringLiteral("Arial"), 27,
                       QColor(128, 0, 128));
    Label1 = makeLabel(this, "Label1", QStringLiteral("Ортанский государственный университет"), {64, 8, 326, 36},
                       QStringLiteral("Monotype Corsiva"), 16, QColor(255, 0, 0));
    Label4 = makeLabel(this, "Label4", QStringLiteral("Электронный учебник"), {104, 72, 240, 22},
                       QStringLiteral("Bookman Old Style"), 19, QColor(0, 128, 0));

    // The view fills the window and lies over the labels, as it always has.
    WebBrowser1 = new platform::WebView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WebBrowser1);

    for (platform::ClickableLabel *label : {Label2, Label1, Label4})
        platform::connectHandler(label, &platform::ClickableLabel::clicked, this, &TForm9::FormClick);
}

TForm9::~TForm9() = default;

void TForm9::FormClick()
{
    shell::bringToFront(shell::windows()->reader()->asWidget());
    close();
}

void TForm9::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        platform::guarded([this] { FormClick(); });
}

void TForm9::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::centreOnScreen(this);
}
