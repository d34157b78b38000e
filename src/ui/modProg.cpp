#include "modProg.h"

#include "Platform.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QLineEdit>
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
    window.txtAddr->setEnabled(true);
    window.chkDiscoverable->setEnabled(false);
}

void SelectSlave(frmMain& window) {
    window.OptSlave->setChecked(true);
    window.chkMaster->setChecked(false);
    window.txtAddr->setEnabled(false);
    window.chkDiscoverable->setEnabled(true);
}

} // namespace tavixat::modProg
