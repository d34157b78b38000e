#pragma once

#include "Platform.h"

#include <QString>

namespace tavixat {

// Standard error as a person watching a run sees it: a progress line waits on the terminal for
// its end ("Connecting to COM3 … found after 1 ping"), and a message that comes meanwhile starts
// a line of its own. A script reading standard error gets only the messages.
class ProgressLine {
public:
    // Starts a line, when standard error is a terminal.
    void begin(const QString& text);
    // Ends the line, unless a message has already taken its place.
    void end(const QString& text);
    // A message on a line of its own. While a line is open, "Settings saved!" and the like are
    // said by the line's end instead.
    void message(const QString& text, MessageIcon icon);

private:
    bool open_ = false;
};

} // namespace tavixat
