#include "shell/Windows.h"

#include <QKeySequence>
#include <QShortcut>
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

void addTeacherKey(QWidget *window)
{
    auto *key = new QShortcut(QKeySequence(QString::fromLatin1(teacherKey)), window);
    QObject::connect(key, &QShortcut::activated, window, [window] {
        if (Windows *set = windows())
            set->teacherDesk()->askPassword(window);
    });
}

void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace shell
