// Unit4: the greeting window (TForm4, "Приветствие").

#include "app/Unit4.h"

#include "platform/Display.h"
#include "platform/HandlerGuard.h"
#include "platform/Widgets.h"
#include "signin/Unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>

TForm4 *Form4 = nullptr;

namespace {

platform::ClickableLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QRect geometry,
                                    const QString &family, int pixels, const QColor &color, bool wrap)
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
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

// The free faces that stand in for the Windows ones run wider and taller; grow a one-line label
// (never shrink it) so no letter is clipped.
void fitToText(QLabel *label)
{
    const QFontMetrics metrics(label->font());
    label->resize(std::max(label->width(), metrics.horizontalAdvance(label->text()) + 4),
                  std::max(label->height(), metrics.height()));
}

} // namespace

TForm4::TForm4(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Приветствие"));
    setFixedSize(442, 305);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(192, 220, 192));
    setPalette(p);

    const QColor green(0, 128, 0);
    Label1 = makeLabel(this, "Label1", QStringLiteral("Ортанский государственный университет"), {56, 8, 326, 36},
                       QStringLiteral("Monotype Corsiva"), 16, QColor(255, 0, 0), true);
    Label4 = makeLabel(this, "Label4", QStringLiteral("Электронный учебник  "), {88, 72, 252, 22},
                       QStringLiteral("Bookman Old Style"), 19, green, false);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Веланика"), {128, 104, 163, 64}, QStringLiteral("Arial"), 27,
                       QColor(128, 0, 128), true);
    Label3 = makeLabel(this, "Label3", QStringLiteral("для магистрантов"), {104, 192, 201, 22},
                       QStringLiteral("Bookman Old Style"), 19, green, false);

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
