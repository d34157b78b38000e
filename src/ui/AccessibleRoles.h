#pragma once

namespace tavixat {

// Gives the widgets the window paints itself the roles screen readers know them by: the lamp a
// status bar, the dotted line a separator. Runs before the first of them is made.
void installAccessibleRoles();

} // namespace tavixat
