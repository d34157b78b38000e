#pragma once

#include "DeviceLink.h"
#include "DeviceState.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QByteArrayList>
#include <memory>

namespace tavixat::test {

// The whole tool on the virtual clock: the window offscreen, the serial link on a fake port,
// and the device model at the far end.
struct ConnectionRig {
    FakePlatform platform;
    FakeSerialPort port{platform.clock};
    modComm comm{port, platform};
    DeviceState device;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<frmMain> form;

    explicit ConnectionRig(sim::DeviceSettings settings = {}, sim::DeviceFaults faults = {}) {
        link = std::make_unique<DeviceLink>(port, platform, std::move(settings), std::move(faults));
        form = std::make_unique<frmMain>(platform, comm, device);
    }

    QByteArrayList commands() const { return port.writtenCommands(); }
    qsizetype countOf(const QByteArray& command) const { return commands().count(command); }
    bool isConnected() const;
    bool isBusy() const { return platform.busyPointer || !form->isEnabled(); }

    // Connects to the healthy device and forgets what that took.
    void connectAndReset();
};

} // namespace tavixat::test
