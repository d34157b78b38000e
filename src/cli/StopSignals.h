#pragma once

#include <QString>

namespace tavixat::stopsignals {

// SIGINT, SIGTERM, SIGHUP and SIGPIPE ask tavixat-cli to stop. The handler only counts them;
// the program looks between exchanges, so that the first never cuts a save and the port is
// always closed (and its locks released) before the program ends.
void install();

// How many have arrived (counted up to two), the first one's number and the last one's (0 when
// none): a second signal ends the program at once, and is the one it names.
int count();
int first();
int last();

// A signal that came before anything was opened that must be closed: says so and ends the
// program at once with 128+N. Returns when none came.
void endIfStoppedBeforeRun();

// "SIGINT" and so on.
QString name(int signal);

} // namespace tavixat::stopsignals
