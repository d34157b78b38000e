#pragma once

#include <QString>

namespace tavixat::stopsignals {

// SIGINT, SIGTERM, SIGHUP and SIGPIPE ask tavixat-cli to stop. The handler only counts them;
// the program looks between exchanges, so that the first never cuts a save and the port is
// always closed (and its locks released) before the program ends.
void install();

// How many have arrived, and the first one's number (0 when none).
int count();
int first();

// "SIGINT" and so on.
QString name(int signal);

} // namespace tavixat::stopsignals
