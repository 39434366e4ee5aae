// Unit4: the greeting window (TForm4, "Приветствие").

// The form before the header that declares the global Form4: its set-up takes the window under
// that name.
#include "app/ui_Unit4.h"

#include "app/Unit4.h"

#include "platform/Display.h"
#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/Widgets.h"
#include "signin/Unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

TForm4 *Form4 = nullptr;

namespace {

// The free faces that stand in for the Windows ones run wider and taller; grow a one-line label
// (never shrink it) so no letter is clipped.
void fitToText(QLabel *label)
{
    const QFontMetrics metrics(label->font());
    label->resize(std::max(label->width(), metrics.horizontalAdvance(label->text()) + 4),
                  std::max(label->height(), metrics.height()));
}

} // namespace

TForm4::TForm4(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_ui(std::make_unique<Ui::TForm4>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Label1 = m_ui->Label1;
    Label2 = m_ui->Label2;
    Label3 = m_ui->Label3;
    Label4 = m_ui->Label4;

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);

    for (platform::ClickableLabel *label : {Label1, Label2, Label3, Label4})
        platform::connectHandler(label, &platform::ClickableLabel::clicked, this, &TForm4::FormClick);
    platform::connectHandler(Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);

    setAlpha(0);
    FormCreate();
    Timer1->start();
}

TForm4::~TForm4() = default;

void TForm4::FormCreate()
{
    FadeLevel = 5;
}

void TForm4::Timer1Timer()
{
    FadeLevel = static_cast<quint8>(FadeLevel + 5);
    scr();
}

void TForm4::scr()
{
    if (FadeLevel == 255) {
        Timer1->stop();
        handOver();
    }
    setAlpha(FadeLevel);
}

void TForm4::FormClick()
{
    // The fade stops here: left running it would bring the sign-in window up a second time,
    // over the reader if the student had signed in meanwhile.
    Timer1->stop();
    handOver();
}

void TForm4::handOver()
{
    if (beforeHandOver && !beforeHandOver())
        return;
    Form1->show();
    Form1->raise();
    Form1->activateWindow();
    hide();
    // The greeting is not shown again: let its window and its pixel buffer go.
    destroy();
}

void TForm4::setAlpha(int alpha)
{
    m_alpha = alpha;
    setWindowOpacity(alpha / 255.0);
    // Each step of the fade shows now, not when some other event next wakes the event loop.
    platform::flushDisplay();
}

void TForm4::closeEvent(QCloseEvent *event)
{
    m_terminated = true;
    Timer1->stop();
    event->accept();
    QCoreApplication::quit();
}

void TForm4::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        platform::guarded([this] { FormClick(); });
}

void TForm4::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        platform::centreOnScreen(this);
        // Measuring text starts the font machinery, tens of milliseconds; the window is fully
        // transparent at first, so it can come up before and the labels follow before they show.
        QMetaObject::invokeMethod(
            this,
            [this] {
                fitToText(Label4);
                fitToText(Label3);
            },
            Qt::QueuedConnection);
    }
}
