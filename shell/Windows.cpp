#include "shell/Windows.h"

#include <QWidget>

namespace shell {

namespace {
Windows *current = nullptr;
} // namespace

Windows *windows()
{
    return current;
}

void setWindows(Windows *set)
{
    current = set;
}

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace shell
