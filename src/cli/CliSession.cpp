#include "CliSession.h"

#include "Connection.h"
#include "ConsolePlatform.h"
#include "DeviceState.h"
#include "DisplayText.h"
#include "IniFile.h"
#include "LinkTrace.h"
#include "ModuleSave.h"
#include "PortNames.h"
#include "PortTable.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"
#include "SettingsTransfer.h"
#include "StopSignals.h"
#include "StoredPort.h"
#include "WatchedPort.h"
#include "modComm.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace tavixat {

namespace {

using Outcome = Connection::Outcome;

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// The window warns once at start-up; so does each run here.
void warnOfSettingsProblem() {
    const QString problem = settingsProblem();
    if (!problem.isEmpty())
        print(stderr, problem + u'\n');
}

int exitCodeOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Connected:
    case Outcome::Saved:
        return kExitDone;
    case Outcome::PortNotOpened:
        return kExitPortNotOpened;
    case Outcome::NoReply:
        return kExitNoReply;
    case Outcome::FirmwareRejected:
        return kExitFirmwareRejected;
    case Outcome::SaveRefused:
        return kExitValueRefused;
    default:
        return kExitNotSaved;
    }
}

bool isDevicePath(const QString& port) {
    return port.contains(u'/');
}

// The port as the window would choose it: "COMn" by its number, the remembered one when none
// is given, a device path as it is. -1 when the text is neither.
int portIndexFor(const QString& port, QtSerialPort& serial, Platform& platform) {
    if (port.isEmpty())
        return readRememberedPort(platform) - 1;
    if (const int number = portNumberOfKey(port))
        return number - 1;
    if (!isDevicePath(port))
        return -1;
    serial.setDevicePath(port);
    return 0;
}

// A port given by its number is remembered once it opens, as the window remembers it; a
// device path has no number to remember.
Connection::PortMemory portMemoryFor(const QString& port) {
    return isDevicePath(port) ? Connection::PortMemory::Forget : Connection::PortMemory::Remember;
}

void printSettings(const ModuleSettings& s, SessionRequest::Format format) {
    if (format == SessionRequest::Format::Json)
        return print(stdout, toJson(s));
    if (format == SessionRequest::Format::Ini)
        return print(stdout, toIni(s));
    // The module's texts may hold anything, escape sequences for the terminal included.
    for (const QString& key : kModuleKeys)
        print(stdout, key + QStringLiteral(": ") + escapeControls(settingText(s, key)) + u'\n');
    print(stdout, QStringLiteral("own address: ") + escapeControls(s.ownAddress) + u'\n');
    print(stdout, QStringLiteral("firmware: ") + escapeControls(s.firmware) + u'\n');
}

class Session {
public:
    explicit Session(const SessionRequest& request) : request_(request) {}

    int run() {
        stopsignals::endIfStoppedBeforeRun();
        if (!request_.tracePath.isEmpty() && !startTrace())
            return kExitUsage;
        const int result = converse();
        // Told last, once the module is left as it should be: the trace never cuts a save.
        if (trace_.writeError().isEmpty())
            return result;
        print(stderr, QStringLiteral("tavixat-cli: ") + trace_.writeError() + u'\n');
        return result == kExitDone ? kExitOutputFailed : result;
    }

private:
    int converse() {
        warnOfSettingsProblem();
        refreshPortTable(); // a new adapter gets its number, as the window gives it one
        const int index = portIndexFor(request_.port, serial_, platform_);
        if (index < 0) {
            print(stderr, QStringLiteral("tavixat-cli: %1 is not a port: give COM1 to COM16 "
                                         "or a device path.\n")
                              .arg(quotedValue(request_.port)));
            return kExitUsage;
        }
        serial_.setCommPort(index + 1); // the progress line names the port before it opens
        record_ = std::make_unique<ModuleRecord>(device_, index);
        connection_ = std::make_unique<Connection>(comm_, platform_, device_, *record_,
                                                   portMemoryFor(request_.port), Pace::Wire);
        platform_.onStop = [this] { connection_->requestStop(); };
        platform_.onSecondStop = [this] { endAtOnce(); };

        const int connected = connect();
        if (connected != kExitDone || stopsignals::count() > 0)
            return stopsignals::count() > 0 ? endStopped() : connected;
        const int result = request_.changes.isEmpty() ? show() : save();
        if (stopsignals::count() > 0)
            return endStopped();
        if (comm_.isPortOpen())
            connection_->cmdConnect_Click(); // "<EXIT>" and close
        return result;
    }

    bool startTrace() {
        QString error;
        if (!trace_.openFile(traceFile_, request_.tracePath, error)) {
            print(stderr, QStringLiteral("tavixat-cli: ") + error + u'\n');
            return false;
        }
        comm_.setObserver(&trace_);
        return true;
    }

    // A stop signal came: say goodbye to a module that answered, close the port and say why.
    int endStopped() {
        if (comm_.isPortOpen())
            connection_->cmdConnect_Click();
        const int signal = stopsignals::first();
        QString line = QStringLiteral("tavixat-cli: stopped by %1").arg(stopsignals::name(signal));
        if (connection_->lastOutcome() == Outcome::Saved)
            line += QStringLiteral(" after the save: the settings were saved");
        platform_.showMessage(line + u'.', MessageIcon::Error);
        return 128 + signal;
    }

    // A second stop signal: no more exchanges. The port is closed first, so that no lock of it
    // outlives the program.
    [[noreturn]] void endAtOnce() {
        comm_.ClosePort();
        const int signal = stopsignals::last();
        QString line = QStringLiteral("tavixat-cli: stopped by %1").arg(stopsignals::name(signal));
        if (saving_)
            line += QStringLiteral(" during the save.\n") + Connection::partlySavedMessage();
        // Straight to the line: a save under way holds the platform's messages back.
        progress_.message(line + (saving_ ? QString() : QStringLiteral(".")), MessageIcon::Error);
        std::fflush(nullptr);
        std::_Exit(128 + signal);
    }

    // A port that finds the link gone reports it from a queued call, which a program that ends
    // now would never run: the loss is told with the sequence that met it.
    void takeLateReports() { platform_.processEvents(); }

    int connect() {
        progress_.begin(QStringLiteral("Connecting to %1").arg(serial_.portLabel()));
        connection_->cmdConnect_Click();
        takeLateReports();
        const int pings = connection_->pingsOfLastConnect();
        progress_.end(
            QStringLiteral("found after %1 ping%2").arg(pings).arg(pings == 1 ? "" : "s"));
        return exitCodeOf(connection_->lastOutcome());
    }

    int show() {
        printSettings(record_->settings, request_.format);
        return kExitDone;
    }

    int save() {
        for (const Assignment& change : request_.changes)
            applySetting(record_->settings, change);
        if (modulesave::refuseAddressWithoutMaster(request_.changes, record_->settings, platform_))
            return kExitValueRefused;
        const ModuleSettings wanted = record_->settings;
        progress_.begin(QStringLiteral("Saving %1 settings").arg(saveCommands(*record_).size()));
        saving_ = true;
        const Outcome outcome = modulesave::saveSettings(*connection_, platform_, watched_);
        saving_ = false;
        const int saved = exitCodeOf(outcome);
        progress_.end(QStringLiteral("done"));
        if (stopsignals::count() > 0) // no read-back: the module is left at once
            return saved;
        if (saved != kExitDone)
            return saved;
        const auto readBack = modulesave::checkReadBack(comm_, platform_, device_,
                                                        record_->selectedPortIndex(), wanted);
        if (!readBack)
            return kExitNotSaved;
        printSettings(*readBack, request_.format);
        return kExitDone;
    }

    const SessionRequest& request_;
    ProgressLine progress_;
    ConsolePlatform platform_{progress_};
    QFile traceFile_;
    LinkTrace trace_{platform_, traceFile_};
    QtSerialPort serial_;
    WatchedPort watched_{serial_};
    modComm comm_{watched_, platform_};
    DeviceState device_;
    std::unique_ptr<ModuleRecord> record_;
    std::unique_ptr<Connection> connection_;
    bool saving_ = false;
};

} // namespace

int runSession(const SessionRequest& request) {
    return Session(request).run();
}

void printCliError(const QString& text) {
    print(stderr, QStringLiteral("tavixat-cli: ") + text + u'\n');
}

int listPorts() {
    warnOfSettingsProblem();
    const PortTable table = refreshPortTable();
    for (const PortEntry& entry : table.ports) {
        // A number maps to something when an entry names its device or the device is there.
        const bool named =
            !readStoredText(QStringLiteral("Ports/") + portKey(entry.number), {}).isEmpty();
        if (named || entry.attached)
            print(stdout, QStringLiteral("%1 %2 %3\n")
                              .arg(portKey(entry.number), entry.device,
                                   entry.attached ? QStringLiteral("attached")
                                                  : QStringLiteral("no device")));
    }
    for (const QString& line : table.warnings + table.unnumbered)
        print(stderr, line + u'\n');
    return kExitDone;
}

} // namespace tavixat
