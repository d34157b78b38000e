#pragma once

#include "SettingsFields.h"

#include <QString>

namespace tavixat {

// What the connection sequences need from the window beyond its settings fields.
class ConnectionWindow : public SettingsFields {
public:
    // Position of the chosen port in the port list, from 0; -1 when none is chosen.
    virtual int selectedPortIndex() const = 0;
    // The Connect button's caption: "Connect" or "Disconnect". The only connection flag.
    virtual QString connectCaption() const = 0;

    virtual void SetConnectedState(bool connected) = 0;
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
    // The keep-alive timer.
    virtual void setKeepAliveEnabled(bool enabled) = 0;
    // Closes the window for good; its unload closes the port.
    virtual void unloadWindow() = 0;
};

} // namespace tavixat
