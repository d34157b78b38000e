#include "StationWork.h"

#include "Commands.h"
#include "Connection.h"
#include "DeviceState.h"
#include "DisplayText.h"
#include "Exchanges.h"
#include "ModuleRecord.h"
#include "ModuleSave.h"
#include "ProvisionReport.h"
#include "ProvisionRun.h"
#include "QueryFields.h"
#include "WatchedPort.h"
#include "modComm.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace tavixat {

namespace {

using Outcome = Connection::Outcome;

// How often a port that would not open is tried again.
constexpr int kReopenPeriodMs = 1000;
// A ping goes out about this often, while the jig is empty and while a module done sits in it,
// so that a module seated or taken out is noticed at once; each waits for its answer no longer.
constexpr int kPingPeriodMs = 250;
// A module counts as taken out after this many unanswered pings in a row, so that one lost
// reply does not make the station take the same module again.
constexpr int kMissesWhenGone = 2;

QString oneLine(const QStringList& messages) {
    return messages.join(u' ').replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

} // namespace

// The objects of one station.
class StationWork::Parts {
public:
    Parts(ProvisionRun& run, const StationPlace& place, Platform& platform, SerialPort& port)
        : run_(run), place_(place), platform_(platform, errors_), watched_(port) {}

    void requestStop() { connection_.requestStop(); }
    void closePort() { comm_.ClosePort(); }

    void work() {
        bool seatedAlready = false;
        while (!run_.isStopping()) {
            if (!seatedAlready && !waitForModule())
                continue;
            takeModule();
            seatedAlready = waitUntilTakenOut();
        }
        comm_.ClosePort();
    }

private:
    void show(const QString& state) { run_.showState(place_.index, state); }

    // In steps, so that a run that ends does not wait for a station's next poll.
    void sleepUntil(qint64 time) {
        constexpr qint64 kStepMs = 100;
        for (qint64 left = time - platform_.now(); left > 0 && !run_.isStopping();
             left = time - platform_.now())
            platform_.sleep(int(std::min(left, kStepMs)));
    }

    bool openPort() {
        errors_.clear();
        const bool opened = comm_.OpenPort(1);
        if (!std::exchange(openTold_, true))
            run_.tellFirstOpen(place_.index, opened, oneLine(errors_));
        if (!opened)
            show(QStringLiteral("waiting for the adapter: ") + oneLine(errors_));
        return opened;
    }

    // A ping about each quarter of a second, RTS switched between them as a connect switches
    // it; true when a module answered.
    bool waitForModule() {
        const qint64 start = platform_.now();
        if (!comm_.isPortOpen() && !openPort()) {
            sleepUntil(start + kReopenPeriodMs);
            return false;
        }
        show(QStringLiteral("waiting for a module"));
        comm_.setRtsEnable(rtsAsserted_);
        rtsAsserted_ = !rtsAsserted_;
        comm_.SendCommand(command::Ping);
        if (comm_.WaitForReply(reply::Ready, kPingPeriodMs))
            return true;
        sleepUntil(start + kPingPeriodMs);
        return false;
    }

    // Connects with the window's sequence and, unless the module is done or the run ends,
    // saves the profile; records the row.
    void takeModule() {
        start_ = platform_.now();
        errors_.clear();
        seated_.clear();
        comm_.ClosePort(); // the connect sequence opens the port itself
        record_.settings = {};
        device_.FirmwareVersion.clear(); // not the last module's, when this one never says
        show(QStringLiteral("connecting"));
        connection_.cmdConnect_Click();
        platform_.processEvents(); // a loss of the link is told after the sequence
        if (connection_.lastOutcome() == Outcome::Stopped)
            return;
        ReportRow row;
        row.firmware = device_.FirmwareVersion;
        if (connection_.lastOutcome() != Outcome::Connected)
            return failBeforeSave(row);
        seated_ = reportAddress(record_.settings.ownAddress);
        if (!isReportAddress(seated_)) {
            // Kept out of the report's own_address, and quoted escaped: it may hold anything.
            errors_ << QStringLiteral("Its own address %1 is not twelve hexadecimal digits: the "
                                      "module was not saved.")
                           .arg(quotedValue(record_.settings.ownAddress));
            disconnect();
            return failBeforeSave(row);
        }
        row.ownAddress = seated_;
        const std::optional<int> done = run_.unitDoneFor(platform_, place_.index, seated_);
        if (!done)
            return disconnect(); // the run ends: the module is left as it was
        fillPlace(row);
        if (*done) {
            row.unit = *done;
            errors_ << QStringLiteral("Already ok in the report.");
            disconnect();
            return finish(row, QStringLiteral("skipped"), false);
        }
        row.seconds = secondsSinceStart();
        QString busyAt;
        const std::optional<int> unit = run_.takeUnit(platform_, place_.index, row, busyAt);
        if (!busyAt.isEmpty()) {
            errors_ << QStringLiteral("The same own address is being set up at %1: the module was "
                                      "not saved.")
                           .arg(busyAt);
            disconnect();
            return failBeforeSave(row);
        }
        if (!unit)
            return disconnect(); // the run ends: the module is left as it was
        row.unit = *unit;
        const bool saved = save(row);
        disconnect();
        finish(row, saved ? QStringLiteral("ok") : QStringLiteral("failed"), true);
    }

    // A module that failed before a save was tried: a unit of its own for its row, if any is
    // left.
    void failBeforeSave(ReportRow& row) {
        fillPlace(row);
        row.seconds = secondsSinceStart();
        if (!run_.takeUnitOfFailure(platform_, place_.index, row))
            return; // the run ends: no number is left for its row
        finish(row, QStringLiteral("failed"), false);
    }

    bool save(ReportRow& row) {
        QString error;
        const auto changes = run_.settingsFor(row.unit, seated_, error);
        if (!changes) {
            errors_ << error;
            return false;
        }
        for (const Assignment& change : *changes)
            applySetting(record_.settings, change);
        row.name = record_.settings.name;
        row.pin = record_.settings.pin;
        if (!run_.beginSave(platform_, place_.index, row, error)) {
            errors_ << error;
            return false;
        }
        if (modulesave::refuseAddressWithoutMaster(*changes, record_.settings, platform_))
            return false;
        const ModuleSettings wanted = record_.settings;
        show(QStringLiteral("saving ") + wanted.name);
        if (modulesave::saveSettings(connection_, platform_, watched_) != Outcome::Saved)
            return false;
        show(QStringLiteral("reading back ") + wanted.name);
        return modulesave::checkReadBack(comm_, platform_, device_, 0, wanted).has_value();
    }

    void disconnect() {
        if (comm_.isPortOpen())
            connection_.cmdConnect_Click(); // "<EXIT>" and close
    }

    void fillPlace(ReportRow& row) const {
        row.station = place_.name;
        const QString device = QFileInfo(place_.device).canonicalFilePath();
        row.device = device.isEmpty() ? place_.device : device;
    }

    double secondsSinceStart() const { return double(platform_.now() - start_) / 1000.0; }

    void finish(ReportRow& row, const QString& result, bool afterTakeUnit) {
        row.time = QDateTime::currentDateTime();
        fillPlace(row);
        row.result = result;
        row.detail = oneLine(errors_);
        row.seconds = secondsSinceStart();
        run_.record(place_.index, row, afterTakeUnit);
    }

    // Pings until the module does not answer (taken out: false) or another one answers in its
    // place (true). The own address is asked each time, since a module swapped between two pings
    // answers them all.
    bool waitUntilTakenOut() {
        int misses = 0;
        while (!run_.isStopping()) {
            const qint64 start = platform_.now();
            if (!comm_.isPortOpen() && !openPort())
                return false; // the adapter went, and the module with it
            comm_.SendCommand(command::Ping);
            if (!comm_.WaitForReply(reply::Ready, kPingPeriodMs)) {
                if (++misses >= kMissesWhenGone)
                    return false;
                sleepUntil(start + kPingPeriodMs);
                continue;
            }
            misses = 0;
            const QString address = reportAddress(
                queryField(exchange::querySettings(comm_, platform_), QueryField::OwnAddress));
            if (seated_.isEmpty())
                seated_ = address;
            else if (!address.isEmpty() && address != seated_)
                return true;
            sleepUntil(start + kPingPeriodMs);
        }
        return false;
    }

    ProvisionRun& run_;
    const StationPlace& place_;
    QStringList errors_; // the messages of the module in the jig
    StationPlatform platform_;
    WatchedPort watched_;
    modComm comm_{watched_, platform_};
    DeviceState device_;
    ModuleRecord record_{device_, 0};
    Connection connection_{comm_,     platform_, device_, record_, Connection::PortMemory::Forget,
                           Pace::Wire};
    QString seated_; // the own address of the module in the jig, as the report writes it
    qint64 start_ = 0;
    bool rtsAsserted_ = true;
    bool openTold_ = false;
};

StationPlatform::StationPlatform(Platform& base, QStringList& errors)
    : ConsolePlatform(unusedLine_), base_(base) {
    onMessage = [&errors](const QString& text, MessageIcon icon) {
        if (icon == MessageIcon::Error)
            errors << text;
    };
}

StationWork::StationWork(ProvisionRun& run, const StationPlace& place, Platform& platform,
                         SerialPort& port)
    : parts_(std::make_unique<Parts>(run, place, platform, port)) {}

StationWork::~StationWork() = default;

void StationWork::work() {
    parts_->work();
}

void StationWork::requestStop() {
    parts_->requestStop();
}

void StationWork::closePort() {
    parts_->closePort();
}

} // namespace tavixat
