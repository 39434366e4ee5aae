#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the program and the libraries under it print on the terminal. A normal start is quiet:
// Qt's and the web engine's progress reports and the warnings known to be harmless here are
// dropped; anything else that looks wrong still reaches stderr. "--verbose" on the command line,
// or VELANIKA_VERBOSE set in the environment, shows everything.
namespace messages {

bool verboseRequested(const QStringList &arguments);

// Installs the filter (nothing when verbose) and sets the web engine's own log level to match;
// call before the application object exists.
void setUp(bool verbose);

// Whether a message reaches the terminal on a quiet start.
bool shownWhenQuiet(QtMsgType type, const QString &text);

} // namespace messages
