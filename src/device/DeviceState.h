#pragma once

#include <QString>

namespace tavixat {

// Program-wide device state: set by the connect handshake, read by the window.
struct DeviceState {
    // The reply to "<VERS>" of the last handshake that got that far; never cleared.
    QString FirmwareVersion;
};

} // namespace tavixat
