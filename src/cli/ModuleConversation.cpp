#include "ModuleConversation.h"

#include "CliSession.h"
#include "ConsolePlatform.h"
#include "DisplayText.h"
#include "ModuleSave.h"
#include "PortNames.h"
#include "SettingsTransfer.h"
#include "StopSignals.h"
#include "StoredPort.h"

#include <QFileInfo>

namespace tavixat {

namespace {

using Outcome = Connection::Outcome;

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

} // namespace

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

ModuleConversation::ModuleConversation(ConsolePlatform& platform, ProgressLine& progress)
    : platform_(platform), progress_(progress), comm_(watched_, platform) {}

ModuleConversation::~ModuleConversation() = default;

bool ModuleConversation::choosePort(const QString& port) {
    const int index = portIndexFor(port, serial_, platform_);
    if (index < 0) {
        printCliError(QStringLiteral("%1 is not a port: give COM1 to COM16 or a device path.")
                          .arg(quotedValue(port)));
        return false;
    }
    serial_.setCommPort(index + 1); // the progress line names the port before it opens
    device_ = port.contains(u'/') ? port : devicePathFor(index + 1);
    record_ = std::make_unique<ModuleRecord>(state_, index);
    connection_ = std::make_unique<Connection>(comm_, platform_, state_, *record_,
                                               portMemoryFor(port), Pace::Wire);
    return true;
}

QString ModuleConversation::deviceIdentity() const {
    const QString canonical = QFileInfo(device_).canonicalFilePath();
    return canonical.isEmpty() ? device_ : canonical;
}

int ModuleConversation::connect(const QString& what) {
    progress_.begin(QStringLiteral("Connecting to %1").arg(what));
    connection_->cmdConnect_Click();
    // A port that finds the link gone reports it from a queued call, which a program that ends
    // now would never run: the loss is told with the sequence that met it.
    platform_.processEvents();
    const int pings = connection_->pingsOfLastConnect();
    progress_.end(QStringLiteral("found after %1 ping%2").arg(pings).arg(pings == 1 ? "" : "s"));
    return exitCodeOf(connection_->lastOutcome());
}

int ModuleConversation::save(const QList<Assignment>& changes, ModuleSettings& readBack) {
    for (const Assignment& change : changes)
        applySetting(record_->settings, change);
    if (modulesave::refuseAddressWithoutMaster(changes, record_->settings, platform_))
        return kExitValueRefused;
    const ModuleSettings wanted = record_->settings;
    progress_.begin(QStringLiteral("Saving %1 settings").arg(saveCommands(*record_).size()));
    saving_ = true;
    const Outcome outcome = modulesave::saveSettings(*connection_, platform_, watched_);
    saving_ = false;
    const int saved = exitCodeOf(outcome);
    progress_.end(QStringLiteral("done"));
    if (stopsignals::count() > 0 || saved != kExitDone) // stopped: no read-back, left at once
        return saved;
    const auto settings =
        modulesave::checkReadBack(comm_, platform_, state_, record_->selectedPortIndex(), wanted);
    if (!settings)
        return kExitNotSaved;
    readBack = *settings;
    return kExitDone;
}

void ModuleConversation::leave() {
    if (comm_.isPortOpen())
        connection_->cmdConnect_Click(); // "<EXIT>" and close
}

} // namespace tavixat
