#pragma once

// Set-up that must happen before the application object exists: font aliases for the Windows
// faces the windows and pages name, and the web engine's sandbox switch when run as root.
void prepareProcessEnvironment();

// Creates the windows, shows the greeting and runs the event loop. Returns the exit status;
// a failure while creating the windows is reported and gives a non-zero status.
int runTextbook();
