#pragma once

#include <QStringList>

// Set-up that must happen before the application object exists: font aliases for the Windows
// faces the windows and pages name, the web engine's sandbox switch when run as root, and how
// much reaches the terminal ("--verbose" among the arguments shows everything).
void prepareProcessEnvironment(const QStringList &arguments = {});

// Creates the windows, shows the greeting and runs the event loop. Returns the exit status;
// a failure while creating the windows is reported and gives a non-zero status.
int runTextbook();
