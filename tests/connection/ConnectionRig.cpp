#include "ConnectionRig.h"

#include "StatusLamp.h"

#include <QPushButton>
#include <QTimer>

namespace tavixat::test {

bool ConnectionRig::isConnected() const {
    // The caption, the lamp, the open port and the keep-alive timer must tell the same story.
    return form->cmdConnect->text() == QStringLiteral("Disconnect") &&
           form->shpStatus->fillColor() == frmMain::kConnectedColor && port.isOpen() &&
           form->Timer1->isActive();
}

void ConnectionRig::connectAndReset() {
    form->cmdConnect_Click();
    if (!isConnected())
        qWarning("the rig did not connect");
    port.writes.clear();
    platform.messages.clear();
    platform.sleeps.clear();
}

} // namespace tavixat::test
