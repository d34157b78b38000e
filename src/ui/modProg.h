#pragma once

namespace tavixat {

class frmMain;

// The procedures that act on the window as a whole.
namespace modProg {

// Busy state: hourglass pointer and the window closed to input. Not counted: one EndBusy ends
// any number of BeginBusy.
void BeginBusy(frmMain& window);
void EndBusy(frmMain& window);

// The role: the option buttons, their hidden mirror chkMaster and the inputs that depend on it.
// Both are safe to repeat.
void SelectMaster(frmMain& window);
void SelectSlave(frmMain& window);

} // namespace modProg

} // namespace tavixat
