#pragma once

class QLineEdit;
class QString;

namespace tavixat {

// A text box's length limit binds what the user types or pastes, never a value the program
// shows: a longer value read from the device is shown whole and goes back unchanged, and the
// user can shorten it but never make it longer.
void setTypingLimit(QLineEdit& box, int limit);
void showWholeText(QLineEdit& box, const QString& text);

} // namespace tavixat
