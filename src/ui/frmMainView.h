#pragma once

#include "ConnectionWindow.h"

namespace tavixat {

class frmMain;

// The window as the device sequences see it: its settings fields, the port choice, the
// connection presentation, the busy state and the keep-alive timer.
class frmMainView : public ConnectionWindow {
public:
    explicit frmMainView(frmMain& form) : form_(form) {}

    QString name() const override;
    void setName(const QString& text) override;
    QString pinCode() const override;
    void setPinCode(const QString& text) override;
    void setPinCodeEnabled(bool enabled) override;

    QString selectedBaudRate() const override;
    QString selectedStopBits() const override;
    QString selectedParity() const override;
    void selectBaudRate(int index) override;
    void selectStopBits(int index) override;
    void selectParity(int index) override;

    void SelectMaster() override;
    void SelectSlave() override;
    bool isMasterChecked() const override;

    QString remoteAddress() const override;
    void setRemoteAddress(const QString& text) override;
    void setOwnAddress(const QString& text) override;

    bool isDiscoverableChecked() const override;
    void setDiscoverableChecked(bool checked) override;
    bool isPinRequestChecked() const override;
    void setPinRequestChecked(bool checked) override;

    void setVersionCaption(const QString& text) override;

    int selectedPortIndex() const override;
    QString connectCaption() const override;
    void SetConnectedState(bool connected) override;
    void BeginBusy() override;
    void EndBusy() override;
    void setKeepAliveEnabled(bool enabled) override;
    void unloadWindow() override;

private:
    frmMain& form_;
};

} // namespace tavixat
