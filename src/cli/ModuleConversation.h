#pragma once

#include "Connection.h"
#include "DeviceState.h"
#include "ModuleRecord.h"
#include "ModuleText.h"
#include "QtSerialPort.h"
#include "WatchedPort.h"
#include "modComm.h"

#include <QList>
#include <memory>

namespace tavixat {

class ConsolePlatform;
class LinkObserver;
class ProgressLine;

// The exit code a script is given for how a connect or a save ended.
int exitCodeOf(Connection::Outcome outcome);

// One module on one port, as tavixat-cli talks to it: the port chosen as the window would choose
// it, the connect at the wire's pace, the save and the read-back of `set`. Messages go through
// the platform, progress through the line; both may be shared by several conversations.
class ModuleConversation {
public:
    ModuleConversation(ConsolePlatform& platform, ProgressLine& progress);
    ~ModuleConversation();

    // "COMn", a device path, or empty for the remembered port; false, after saying why, when the
    // text is none of them.
    bool choosePort(const QString& port);
    QString portLabel() const { return serial_.portLabel(); }
    // The device the chosen port opens, its symbolic links resolved, so that one device given
    // under two names is seen as one.
    QString deviceIdentity() const;
    void setObserver(LinkObserver* observer) { comm_.setObserver(observer); }

    // Connects, the progress line saying `what` ("COM3", "the Slave on COM3"); the exit code.
    int connect(const QString& what);
    // The settings as the module reported them at the connect.
    const ModuleSettings& settings() const { return record_->settings; }
    // Puts the changes into the settings, saves them all and reads them back; the exit code, and
    // the settings read back when they match.
    int save(const QList<Assignment>& changes, ModuleSettings& readBack);
    // "<EXIT>" and the port closed, when it is open.
    void leave();

    bool isSaving() const { return saving_; }
    Connection::Outcome lastOutcome() const { return connection_->lastOutcome(); }
    bool isPortOpen() const { return comm_.isPortOpen(); }
    void requestStop() { connection_->requestStop(); }
    void closePort() { comm_.ClosePort(); }

private:
    ConsolePlatform& platform_;
    ProgressLine& progress_;
    QtSerialPort serial_;
    WatchedPort watched_{serial_};
    modComm comm_;
    DeviceState state_;
    QString device_; // the device path the port stands for
    std::unique_ptr<ModuleRecord> record_;
    std::unique_ptr<Connection> connection_;
    bool saving_ = false;
};

} // namespace tavixat
