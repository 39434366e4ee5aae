#pragma once

#include <QString>

class QLabel;

namespace platform {

// While a database statement waits for a file that another program holds, the event loop is
// blocked: nothing would move on screen and the program would look frozen. The sign is a wait
// cursor and a short note in the bottom right corner of the front window, both put on screen at once, without
// the event loop, and taken away as soon as the loop runs again, that is once the wait is over.
void installBusySign();
void uninstallBusySign();

// What the data layer's hook does when a wait begins.
void showBusySign();

QString busyNoteText();
// The note on screen, or nullptr.
QLabel *busyNote();

} // namespace platform
