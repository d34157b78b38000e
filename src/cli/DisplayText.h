#pragma once

#include <QString>

namespace tavixat {

// Text from the module or from the user, made safe to print: control characters (C0, DEL and
// C1, which a terminal may take for commands) and the backslash as C escapes ("\t", "\x1b",
// "\\"), so that no byte reaches the terminal as anything but text.
QString escapeControls(const QString& text);

// True when escapeControls would write a character other than the backslash as an escape.
bool hasControlCharacter(const QString& text);

// A message made safe to print: its control characters escaped as escapeControls writes them,
// everything else as it is, so that a value the message already quotes (quotedValue) is not
// escaped twice.
QString escapeControlCharacters(const QString& text);

// A value as a message echoes it: escaped (a double quote too), cut to 40 characters with "…",
// in double quotes.
QString quotedValue(const QString& text);

} // namespace tavixat
