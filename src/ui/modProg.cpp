#include "modProg.h"

#include "Platform.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QRadioButton>

namespace tavixat::modProg {

void BeginBusy(frmMain& window) {
    window.rememberFocus();
    window.platform().setBusyPointer(true);
    window.setEnabled(false);
    window.platform().processEvents();
}

void EndBusy(frmMain& window) {
    window.platform().setBusyPointer(false);
    window.setEnabled(true);
    window.restoreFocus();
    window.platform().processEvents();
}

void SelectMaster(frmMain& window) {
    window.OptMaster->setChecked(true);
    window.chkMaster->setChecked(true);
    window.enableRoleInputs(true);
}

void SelectSlave(frmMain& window) {
    window.OptSlave->setChecked(true);
    window.chkMaster->setChecked(false);
    window.enableRoleInputs(false);
}

} // namespace tavixat::modProg
