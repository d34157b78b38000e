#pragma once

#include "DeviceState.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QTest>
#include <memory>

namespace tavixat::test {

// The window on a fake platform and port, built on demand so that a test can fill the settings
// store or the firmware version first.
struct WindowRig {
    FakePlatform platform;
    FakeSerialPort port{platform.clock};
    modComm comm{port, platform};
    DeviceState device;
    std::unique_ptr<frmMain> window;

    frmMain& build() {
        window = std::make_unique<frmMain>(platform, comm, device);
        return *window;
    }

    // Shown and active, for tests that type, click or move the focus.
    frmMain& buildShown() {
        build().show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
        return *window;
    }
};

} // namespace tavixat::test
