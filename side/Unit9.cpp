// Unit9: the frameless user-manual window (TForm9, "Руководство пользователя").

// The form before the header that declares the global Form9: its set-up takes the window under
// that name.
#include "side/ui_Unit9.h"

#include "side/Unit9.h"

#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "shell/Windows.h"

#include <QMouseEvent>
#include <QShowEvent>

#include <algorithm>

TForm9 *Form9 = nullptr;

namespace {

// The free faces standing in for the window fonts run wider; a caption its box cannot show
// whole is given the size of one line instead.
void fitOnOneLine(QLabel *label)
{
    if (label->heightForWidth(label->width()) <= label->height())
        return;
    label->setWordWrap(false);
    const QSize line = label->sizeHint();
    label->setWordWrap(true);
    label->resize(std::max(label->width(), line.width()), std::max(label->height(), line.height()));
}

} // namespace

TForm9::TForm9(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_ui(std::make_unique<Ui::TForm9>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Label2 = m_ui->Label2;
    Label1 = m_ui->Label1;
    Label4 = m_ui->Label4;
    WebBrowser1 = m_ui->WebBrowser1;
    move(205, 81);

    for (platform::ClickableLabel *label : {Label2, Label1, Label4}) {
        fitOnOneLine(label);
        platform::connectHandler(label, &platform::ClickableLabel::clicked, this, &TForm9::FormClick);
    }
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
