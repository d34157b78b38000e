// Which control takes input when: at design time, by connection state and firmware, by role and
// by PIN request. Every enabling of a single control is here; the busy state (modProg) closes
// the window as a whole.

#include "DeviceState.h"
#include "SettingsRules.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "frmMainView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tavixat {

void frmMain::applyDesignTimeEnabling() {
    cmdRefresh->setEnabled(false);
    // Until a role is chosen: the Slave role takes no address.
    txtAddr->setEnabled(false);
}

void frmMain::SetConnectedState(bool Connected) {
    cboPort->setEnabled(!Connected);
    cmdConnect->setText(Connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    showConnectionOnLamp(Connected);
    txtBDADDR->setEnabled(Connected);
    lblVersion->setEnabled(Connected);
    txtName->setEnabled(Connected);
    // Firmware that keeps the PIN request on leaves the box ticked and closed to the user.
    const bool pinRequestLocked = keepPinRequestOn(*view_, device_.FirmwareVersion);
    chkPIN->setEnabled(Connected && !pinRequestLocked);
    enablePinCode(Connected && chkPIN->checkState() != Qt::Unchecked);
    OptMaster->setEnabled(Connected);
    OptSlave->setEnabled(Connected);
    chkDiscoverable->setEnabled(Connected && !OptMaster->isChecked());
    cboBaud->setEnabled(Connected);
    cboStopBit->setEnabled(Connected);
    cboParity->setEnabled(Connected);
    cmdWrite->setEnabled(Connected);
}

void frmMain::showConnectionOnLamp(bool connected) {
    if (connected)
        shpStatus->setState(kConnectedColor, QStringLiteral("Connected"));
    else
        shpStatus->setState(kDisconnectedColor, QStringLiteral("Not connected"));
}

void frmMain::enableRoleInputs(bool master) {
    txtAddr->setEnabled(master);
    chkDiscoverable->setEnabled(!master);
}

void frmMain::enablePinCode(bool requested) {
    txtPin->setEnabled(requested);
}

void frmMain::chkPIN_Click() {
    enablePinCode(chkPIN->checkState() != Qt::Unchecked);
}

} // namespace tavixat
