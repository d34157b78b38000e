#pragma once

#include "DeviceState.h"
#include "PrivateSettings.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QProcess>
#include <QStringList>

namespace tavixat::test {

// tavixat-sim as a child process: the far end of a pseudo-terminal, in real time.
class SimProcess {
public:
    // Stops the simulator if it still runs.
    ~SimProcess();

    // Starts it with these options and waits for the line path it prints first.
    bool start(const QStringList& arguments = {});
    const QString& linePath() const { return linePath_; }
    // The commands it got, in order, as they came over the line ("<PING>", "<NAME=x>").
    QStringList heardCommands();
    // Gone at once, as a device pulled off the line.
    void kill();

private:
    QProcess process_;
    QString linePath_;
    QString log_;
};

// The Qt platform, except that a message is recorded instead of waiting for a user to close it.
class RecordingPlatform : public QtPlatform {
public:
    void showMessage(const QString& text, MessageIcon) override { messages << text; }
    QStringList messages;
};

// The whole tool as the user runs it, offscreen: the real window, the Qt serial port and the Qt
// platform services, with a settings store of its own.
class EndToEndRig {
public:
    EndToEndRig() { form.show(); }

    // Points "COM1" at the device and runs the Connect button's handler.
    void connectTo(const QString& devicePath);
    // The button, the lamp, the keep-alive, the port and the busy state in a line.
    QString state() const;
    // The device settings as the controls show them, joined by "|": name, PIN code, baud rate,
    // stop bits, parity, role, remote address, own address, version, visibility, PIN request.
    QString shownSettings() const;
    // Edits the controls as a user would, from a text shaped like shownSettings(); the own
    // address and the version are shown only, and are left alone.
    void editSettings(const QString& settings);

    PrivateSettings store; // first: before any settings object exists
    RecordingPlatform platform;
    QtSerialPort port;
    modComm comm{port, platform};
    DeviceState device;
    frmMain form{platform, comm, device};
};

// What EndToEndRig::state() reads when connected, and when disconnected.
QString connectedState();
QString disconnectedState();

// What a healthy simulated device holds when it starts, as shownSettings() shows it.
inline const QString kFreshDevice = QStringLiteral(
    "TavixAT|1234|9600|1|None|Slave|0000 00 00 0000|00ba 5e 12 3456|v2.0|discoverable|PIN request");

} // namespace tavixat::test
