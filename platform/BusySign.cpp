#include "BusySign.h"

#include "Connection.h"
#include "MessageBoxes.h"

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
    return QStringLiteral("Ожидание: файл базы данных занят другой программой…");
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
        label->move(4, qMax(0, window->height() - label->height() - 4));
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
