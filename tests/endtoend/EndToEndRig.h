#pragma once

#include "DeviceState.h"
#include "PrivateSettings.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QList>
#include <QStringList>
#include <memory>

namespace tavixat::test {

// The Qt platform, except that a message is recorded instead of waiting for a user to close it.
class RecordingPlatform : public QtPlatform {
public:
    struct Message {
        QString text;
        MessageIcon icon = MessageIcon::Error;
    };

    void showMessage(const QString& text, MessageIcon icon) override;
    QStringList messageTexts() const;

    QList<Message> messages;
};

// The whole tool as the user runs it, offscreen: the real window, the Qt serial port and the Qt
// platform services, with a settings store of its own.
class EndToEndRig {
public:
    EndToEndRig();
    ~EndToEndRig();

    // Where "COM1" leads from the next open on.
    static void pointComOneAt(const QString& devicePath);

    // The Connect button's handler against the device at devicePath; returns once it has run.
    void connectTo(const QString& devicePath);

    // Connected: "Disconnect", green lamp, keep-alive running, port open, not busy.
    bool isConnected() const;
    // Disconnected: "Connect", red lamp, keep-alive stopped, port closed, not busy.
    bool isDisconnected() const;
    bool isBusy() const;
    // The window's connection state in a line, for failure messages.
    QString describeState() const;

    // The device settings as the controls show them: name, PIN code, baud rate, stop bits,
    // parity, role, remote address, own address, version, visibility, PIN request.
    QStringList shownSettings() const;
    // Edits the controls as a user would, from a list shaped like shownSettings(); the own
    // address and the version are shown only, and are left alone.
    void editSettings(const QStringList& settings);

    PrivateSettings store; // first: before any settings object exists
    RecordingPlatform platform;
    QtSerialPort port;
    modComm comm{port, platform};
    DeviceState device;
    std::unique_ptr<frmMain> form;
};

// What a healthy simulated device holds when it starts, as shownSettings() lists it.
QStringList freshDeviceSettings();

} // namespace tavixat::test
