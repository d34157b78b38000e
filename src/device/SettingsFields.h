#pragma once

#include <QString>

namespace tavixat {

// The window fields that hold the device's settings, as the read and write sequences see them.
// The window implements this; the device layer never includes a window header.
class SettingsFields {
public:
    virtual ~SettingsFields() = default;

    virtual QString name() const = 0;
    virtual void setName(const QString& text) = 0;
    virtual QString pinCode() const = 0;
    virtual void setPinCode(const QString& text) = 0;
    virtual void setPinCodeEnabled(bool enabled) = 0;

    // Text of the selected entry; empty when no entry is selected.
    virtual QString selectedBaudRate() const = 0;
    virtual QString selectedStopBits() const = 0;
    virtual QString selectedParity() const = 0;
    // Selects the entry at the index of the fixed list.
    virtual void selectBaudRate(int index) = 0;
    virtual void selectStopBits(int index) = 0;
    virtual void selectParity(int index) = 0;

    virtual void SelectMaster() = 0;
    virtual void SelectSlave() = 0;
    // The hidden role mirror: true when it is ticked (Master).
    virtual bool isMasterChecked() const = 0;

    virtual QString remoteAddress() const = 0;
    virtual void setRemoteAddress(const QString& text) = 0;
    virtual void setOwnAddress(const QString& text) = 0;

    virtual bool isDiscoverableChecked() const = 0;
    virtual void setDiscoverableChecked(bool checked) = 0;
    virtual bool isPinRequestChecked() const = 0;
    virtual void setPinRequestChecked(bool checked) = 0;

    virtual void setVersionCaption(const QString& text) = 0;
};

} // namespace tavixat
