#pragma once

#include "ConnectionWindow.h"

namespace tavixat {

struct DeviceState;

// A module's settings as the window's fields hold them: list values as their list texts
// ("9600", "1", "None"), the role as the hidden Master mirror.
struct ModuleSettings {
    QString name;
    QString pin;
    bool pinRequest = false;
    QString baud;
    QString stopBits;
    QString parity;
    bool master = false;
    QString address;
    bool discoverable = false;
    QString ownAddress;
    QString firmware;
};

// The window as the device sequences see it, without a window: a plain record of the settings,
// the chosen port and the connection caption.
class ModuleRecord : public ConnectionWindow {
public:
    ModuleRecord(const DeviceState& device, int portIndex)
        : device_(device), portIndex_(portIndex) {}

    ModuleSettings settings;

    QString name() const override { return settings.name; }
    void setName(const QString& text) override { settings.name = text; }
    QString pinCode() const override { return settings.pin; }
    void setPinCode(const QString& text) override { settings.pin = text; }
    void setPinCodeEnabled(bool) override {}

    QString selectedBaudRate() const override { return settings.baud; }
    QString selectedStopBits() const override { return settings.stopBits; }
    QString selectedParity() const override { return settings.parity; }
    void selectBaudRate(int index) override;
    void selectStopBits(int index) override;
    void selectParity(int index) override;

    void SelectMaster() override { settings.master = true; }
    void SelectSlave() override { settings.master = false; }
    bool isMasterChecked() const override { return settings.master; }

    QString remoteAddress() const override { return settings.address; }
    void setRemoteAddress(const QString& text) override { settings.address = text; }
    void setOwnAddress(const QString& text) override { settings.ownAddress = text; }

    bool isDiscoverableChecked() const override { return settings.discoverable; }
    void setDiscoverableChecked(bool checked) override { settings.discoverable = checked; }
    bool isPinRequestChecked() const override { return settings.pinRequest; }
    void setPinRequestChecked(bool checked) override { settings.pinRequest = checked; }

    void setVersionCaption(const QString& text) override { settings.firmware = text; }

    int selectedPortIndex() const override { return portIndex_; }
    QString connectCaption() const override { return caption_; }
    void SetConnectedState(bool connected) override;
    void BeginBusy() override {}
    void EndBusy() override {}
    void setKeepAliveEnabled(bool) override {}
    void unloadWindow() override {}

private:
    const DeviceState& device_;
    int portIndex_;
    QString caption_ = QStringLiteral("Connect");
};

} // namespace tavixat
