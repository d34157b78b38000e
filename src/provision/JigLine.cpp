#include "JigLine.h"

#include "Commands.h"
#include "DisplayText.h"
#include "Exchanges.h"
#include "ModuleSave.h"
#include "ProvisionReport.h"
#include "ProvisionRun.h"
#include "QueryFields.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace tavixat {

namespace {

// A module counts as taken out after this many unanswered pings in a row.
constexpr int kMissesWhenGone = 2;

QString oneLine(const QStringList& messages) {
    return messages.join(u' ').replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

} // namespace

JigLine::JigLine(ProvisionRun& run, const StationPlace& place, Platform& platform, SerialPort& port)
    : run_(run), place_(place), platform_(platform, errors_), watched_(port) {}

void JigLine::show(const QString& state) {
    run_.showState(place_.index, state);
}

void JigLine::sleepUntil(qint64 time) {
    constexpr qint64 kStepMs = 100;
    for (qint64 left = time - platform_.now(); left > 0 && !run_.isStopping();
         left = time - platform_.now())
        platform_.sleep(int(std::min(left, kStepMs)));
}

bool JigLine::openPort() {
    errors_.clear();
    const bool opened = comm_.OpenPort(1);
    if (!std::exchange(openTold_, true))
        run_.tellFirstOpen(place_.index, opened, oneLine(errors_));
    if (!opened)
        show(QStringLiteral("waiting for the adapter: ") + oneLine(errors_));
    return opened;
}

bool JigLine::pingForModule() {
    if (!comm_.isPortOpen() && !openPort())
        return false;
    show(QStringLiteral("waiting for a module"));
    comm_.setRtsEnable(rtsAsserted_);
    rtsAsserted_ = !rtsAsserted_;
    comm_.SendCommand(command::Ping);
    return comm_.WaitForReply(reply::Ready, kPingPeriodMs);
}

JigLine::Seat JigLine::checkSeat() {
    if (!comm_.isPortOpen() && !openPort())
        return Seat::Gone; // the adapter went, and the module with it
    comm_.SendCommand(command::Ping);
    if (!comm_.WaitForReply(reply::Ready, kPingPeriodMs))
        return ++misses_ >= kMissesWhenGone ? Seat::Gone : Seat::There;
    misses_ = 0;
    // Asked each time, since a module swapped between two pings answers them all.
    const QString address = reportAddress(
        queryField(exchange::querySettings(comm_, platform_), QueryField::OwnAddress));
    if (seated_.isEmpty())
        seated_ = address;
    else if (!address.isEmpty() && address != seated_)
        return Seat::Swapped;
    return Seat::There;
}

bool JigLine::connectModule(ReportRow& row) {
    start_ = platform_.now();
    misses_ = 0;
    errors_.clear();
    seated_.clear();
    comm_.ClosePort(); // the connect sequence opens the port itself
    record_.settings = {};
    device_.FirmwareVersion.clear(); // not the last module's, when this one never says
    show(QStringLiteral("connecting"));
    connection_.cmdConnect_Click();
    platform_.processEvents(); // a loss of the link is told after the sequence
    row.firmware = device_.FirmwareVersion;
    if (connection_.lastOutcome() != Connection::Outcome::Connected)
        return false;
    seated_ = reportAddress(record_.settings.ownAddress);
    if (!isReportAddress(seated_)) {
        // Kept out of the report's own_address, and quoted escaped: it may hold anything.
        errors_ << QStringLiteral("Its own address %1 is not twelve hexadecimal digits: the "
                                  "module was not saved.")
                       .arg(quotedValue(record_.settings.ownAddress));
        disconnect();
        return false;
    }
    row.ownAddress = seated_;
    return true;
}

std::optional<ModuleSettings> JigLine::save(const QList<Assignment>& changes, ReportRow& row) {
    for (const Assignment& change : changes)
        applySetting(record_.settings, change);
    row.name = record_.settings.name;
    row.pin = record_.settings.pin;
    QString error;
    if (!run_.beginSave(platform_, place_.index, row, error)) {
        errors_ << error;
        return std::nullopt;
    }
    if (modulesave::refuseAddressWithoutMaster(changes, record_.settings, platform_))
        return std::nullopt;
    const ModuleSettings wanted = record_.settings;
    show(QStringLiteral("saving ") + wanted.name);
    if (modulesave::saveSettings(connection_, platform_, watched_) != Connection::Outcome::Saved)
        return std::nullopt;
    show(QStringLiteral("reading back ") + wanted.name);
    return modulesave::checkReadBack(comm_, platform_, device_, 0, wanted);
}

void JigLine::disconnect() {
    if (comm_.isPortOpen())
        connection_.cmdConnect_Click(); // "<EXIT>" and close
}

void JigLine::failBeforeSave(ReportRow& row) {
    fillPlace(row);
    row.seconds = secondsSinceStart();
    if (!run_.takeUnitOfFailure(platform_, place_.index, row))
        return; // the run ends: no number is left for its row
    finish(row, QStringLiteral("failed"), false);
}

void JigLine::fillPlace(ReportRow& row) const {
    row.station = place_.name;
    const QString device = QFileInfo(place_.device).canonicalFilePath();
    row.device = device.isEmpty() ? place_.device : device;
}

double JigLine::secondsSinceStart() const {
    return double(platform_.now() - start_) / 1000.0;
}

void JigLine::finish(ReportRow& row, const QString& result, bool afterTakeUnit) {
    row.time = QDateTime::currentDateTime();
    fillPlace(row);
    row.result = result;
    row.detail = oneLine(errors_);
    row.seconds = secondsSinceStart();
    run_.record(place_.index, row, afterTakeUnit);
}

} // namespace tavixat
