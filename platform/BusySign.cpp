#include "platform/BusySign.h"

#include "data/Connection.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace platform {

namespace {

QPointer<QLabel> &note()
{
    static QPointer<QLabel> label;
    return label;
}

bool &shown()
{
    static bool flag = false;
    return flag;
}

void hideBusySign()
{
    if (!shown())
        return;
    shown() = false;
    QApplication::restoreOverrideCursor();
    delete note().data();
}

} // namespace

QString busyNoteText()
{
    return QStringLiteral("Ожидание: база данных занята…");
}

QLabel *busyNote()
{
    return note().data();
}

void showBusySign()
{
    // Several waits within one handler share one sign.
    if (shown())
        return;
    shown() = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (QWidget *window = frontWindow()) {
        auto *label = new QLabel(busyNoteText(), window);
        label->setObjectName(QStringLiteral("BusyNote"));
        label->setTextFormat(Qt::PlainText);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, QColor(255, 255, 225));
        palette.setColor(QPalette::WindowText, Qt::black);
        label->setPalette(palette);
        label->setFrameShape(QFrame::Box);
        label->setMargin(4);
        label->adjustSize();
        // Bottom right: over the reader's empty status panel, beside the test's countdown.
        label->move(qMax(0, window->width() - label->width() - 4), qMax(0, window->height() - label->height() - 4));
        label->raise();
        label->show();
        // Painted now: the event loop that would paint it is the one the wait is holding up.
        label->repaint();
        note() = label;
    }
    // Runs when the loop turns again: after the handler that waited, or when it opens a box.
    QTimer::singleShot(0, qApp, &hideBusySign);
}

void installBusySign()
{
    Connection::setBusyWaitHook(&showBusySign);
}

void uninstallBusySign()
{
    Connection::setBusyWaitHook({});
    hideBusySign();
}

} // namespace platform
