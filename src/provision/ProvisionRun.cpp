#include "ProvisionRun.h"

#include "CliSession.h"
#include "Connection.h"
#include "ConsolePlatform.h"
#include "CsvProductionRecord.h"
#include "IniFile.h"
#include "PortNames.h"
#include "PortTable.h"
#include "PostgresProductionRecord.h"
#include "Station.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tavixat {

namespace {

constexpr int kTickMs = 100;
constexpr int kAdapterScanTicks = 20;
// How long a second signal waits for the stations to close their ports.
constexpr int kParkWaitMs = 1000;
// How many unit numbers a profile is checked for when no --count bounds them.
constexpr int kUnitsWithoutCount = 1000000;

// The largest unit number this run can give out.
int highestUnit(const ProvisionRequest& request, int first) {
    return std::min(first + (request.count > 0 ? request.count : kUnitsWithoutCount) - 1,
                    kHighestUnit);
}

// "COMn" as the device it stands for, a path as it is; empty for neither.
QString deviceOfPort(const QString& port) {
    if (const int number = portNumberOfKey(port))
        return devicePathFor(number);
    return port.contains(u'/') ? port : QString();
}

// The device behind a path, so that one adapter given under two names is seen as one.
QString deviceIdentity(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

std::optional<QList<StationPlace>> placesOfPorts(const QStringList& ports) {
    refreshPortTable(); // a new adapter gets its number, as the window gives it one
    QList<StationPlace> places;
    QStringList identities;
    for (const QString& port : ports) {
        const QString device = deviceOfPort(port);
        if (device.isEmpty()) {
            printCliError(
                QStringLiteral("%1 is not a port: give COM1 to COM16 or a device path.").arg(port));
            return std::nullopt;
        }
        const qsizetype same = identities.indexOf(deviceIdentity(device));
        if (same >= 0) {
            printCliError(QStringLiteral("%1 and %2 are the same adapter: give each station once.")
                              .arg(places[same].name, port));
            return std::nullopt;
        }
        identities << deviceIdentity(device);
        places << StationPlace{int(places.size()), port, device};
    }
    return places;
}

QStringList adaptersById() {
    return QDir(serialByIdFolder())
        .entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Where numbering starts after the highest unit the record has given; nothing, after saying why,
// when it would give a number twice. `source` names the record, `other` the option for another.
std::optional<int> firstUnit(const ProvisionRequest& request, int highest, const QString& source,
                             const QString& other) {
    if (highest >= kHighestUnit) {
        printCliError(QStringLiteral("%1 has given every unit up to %2: give another %3.")
                          .arg(source)
                          .arg(kHighestUnit)
                          .arg(other));
        return std::nullopt;
    }
    if (request.first == 0)
        return highest + 1;
    if (request.first > highest)
        return request.first;
    printCliError(QStringLiteral("--first %1: %2 already has units up to %3; give --first %4 or "
                                 "more, or another %5.")
                      .arg(request.first)
                      .arg(source)
                      .arg(highest)
                      .arg(highest + 1)
                      .arg(other));
    return std::nullopt;
}

// The profile as it is for units from first on; nothing, after saying why.
// Kits write the partner column, which a report from before it lacks.
bool refuseReportWithoutPartner(const ProvisionRequest& request, const ReportHistory& history) {
    if (!request.pairs || history.hasPartner)
        return false;
    printCliError(QStringLiteral("The report %1 has no partner column, which kits need: give "
                                 "--pairs a new --report.")
                      .arg(request.reportPath));
    return true;
}

std::optional<Profile> readProfile(const ProvisionRequest& request, int first) {
    QString error;
    // Read once: a profile may come from a pipe, which gives its text a single time.
    const auto settings = readIniFile(request.profilePath, error);
    if (!settings) {
        printCliError(error);
        return std::nullopt;
    }
    auto profile =
        Profile::fromSettings(*settings, highestUnit(request, first), request.pairs, error);
    if (!profile) {
        // A profile that fits the first unit outgrows a limit only with the numbers after it.
        QString firstError;
        if (request.count == 0 &&
            Profile::fromSettings(*settings, first, request.pairs, firstError))
            error += QStringLiteral(" (Without --count, unit numbers up to %1 are checked.)")
                         .arg(highestUnit(request, first));
        printCliError(request.profilePath + QStringLiteral(": ") + error);
    }
    return profile;
}

int runWithReport(const ProvisionRequest& request) {
    QString error;
    // The profile and the ports are checked before the report is touched.
    const auto seen = ProvisionReport::readHistory(request.reportPath, error);
    if (!seen) {
        printCliError(error);
        return kExitOutputFailed;
    }
    const std::optional<int> first = firstUnit(
        request, seen->highestUnit, QStringLiteral("the report %1").arg(request.reportPath),
        QStringLiteral("--report"));
    if (!first || refuseReportWithoutPartner(request, *seen))
        return kExitUsage;
    auto profile = readProfile(request, *first);
    if (!profile)
        return kExitUsage;
    const auto places = request.all ? QList<StationPlace>() : placesOfPorts(request.ports);
    if (!places)
        return kExitUsage;
    const std::unique_ptr<CsvProductionRecord> record =
        CsvProductionRecord::open(request.reportPath, *first, error);
    if (!record) {
        printCliError(error);
        return kExitOutputFailed;
    }
    ProgressLine unusedLine;
    const ConsolePlatform clock(unusedLine);
    ProvisionRun run(request, std::move(*profile), *record, clock);
    return run.exec(*places);
}

// The same with a factory's database: exit 7 before any port opens when it cannot be reached.
int runWithDatabase(const ProvisionRequest& request) {
    QString error;
    const auto url = DatabaseUrl::parse(request.databaseUrl, error);
    if (!url) {
        printCliError(error);
        return kExitUsage;
    }
    const QString batch =
        request.batch.isEmpty() ? QFileInfo(request.profilePath).completeBaseName() : request.batch;
    const auto record = PostgresProductionRecord::open(*url, batch, error);
    const std::optional<int> highest = record ? record->highestGiven(error) : std::nullopt;
    if (!highest) {
        printCliError(error);
        return kExitOutputFailed;
    }
    const std::optional<int> first = firstUnit(
        request, *highest, QStringLiteral("the batch %1").arg(batch), QStringLiteral("--batch"));
    std::optional<Profile> profile;
    if (first)
        profile = readProfile(request, *first);
    std::optional<QList<StationPlace>> places;
    if (profile)
        places = request.all ? QList<StationPlace>() : placesOfPorts(request.ports);
    bool refused = true;
    if (places && request.pairs) {
        const auto copy = ProvisionReport::readHistory(request.reportPath, error);
        if (copy && refuseReportWithoutPartner(request, *copy))
            return kExitUsage;
    }
    if (!places || !record->claimBatch(request.first, error, refused) ||
        !record->openCopy(request.reportPath, error)) {
        if (places)
            printCliError(error);
        return refused ? kExitUsage : kExitOutputFailed;
    }
    ProgressLine unusedLine;
    const ConsolePlatform clock(unusedLine);
    ProvisionRun run(request, std::move(*profile), *record, clock);
    return run.exec(*places);
}

} // namespace

int runProvision(const ProvisionRequest& request) {
    stopsignals::endIfStoppedBeforeRun();
    return request.databaseUrl.isEmpty() ? runWithReport(request) : runWithDatabase(request);
}

ProvisionRun::ProvisionRun(const ProvisionRequest& request, Profile profile,
                           ProductionRecord& record, const Platform& clock)
    : request_(request), profile_(std::move(profile)), record_(record), clock_(clock) {}

ProvisionRun::~ProvisionRun() {
    for (const auto& station : stations_)
        station->wait();
}

int ProvisionRun::exec(const QList<StationPlace>& places) {
    startedMs_ = clock_.now();
    for (qsizetype i = 0; i < places.size(); i += modulesPerUnit())
        startStation(places.mid(i, modulesPerUnit()));
    if (request_.all)
        startNewAdapters();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
    timer.start(kTickMs);
    // Stations end only once the run stops; with --all there may be none yet.
    while (!isStopping() || stationsEnded() < int(stations_.size()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    timer.stop();
    for (const auto& station : stations_)
        station->wait();
    QMutexLocker lock(&mutex_);
    screen_.finish(summaryLine());
    lock.unlock();
    tellStopped();
    if (const QString unsent = record_.unsentRows(); !unsent.isEmpty()) {
        printCliError(unsent);
        unsent_ = true;
    }
    return exitCode();
}

void ProvisionRun::addStation(const QString& name) {
    QMutexLocker lock(&mutex_);
    screen_.addStation(name);
    stationNames_ << name;
}

void ProvisionRun::startStation(const QList<StationPlace>& places) {
    for (const StationPlace& place : places)
        addStation(place.name);
    stations_.push_back(std::make_unique<Station>(*this, places));
    stations_.back()->start();
}

void ProvisionRun::startNewAdapters() {
    const QString folder = serialByIdFolder();
    for (const QString& name : adaptersById())
        if (!stationNames_.contains(name) && !isStopping())
            startStation(
                {StationPlace{int(stationNames_.size()), name, QDir(folder).filePath(name)}});
}

void ProvisionRun::tick() {
    if (stopsignals::count() >= 2)
        endAtOnce();
    if (request_.all && ++ticks_ % kAdapterScanTicks == 0)
        startNewAdapters();
    QMutexLocker lock(&mutex_);
    screen_.refresh(summaryLine());
}

int ProvisionRun::stationsEnded() const {
    return int(std::count_if(stations_.begin(), stations_.end(),
                             [](const auto& station) { return station->isFinished(); }));
}

bool ProvisionRun::isStopping() const {
    return ending_ || stopsignals::count() > 0;
}

void ProvisionRun::tellFirstOpen(int station, bool opened, const QString& message) {
    QMutexLocker lock(&mutex_);
    ++opensTold_;
    if (!opened) {
        ++opensFailed_;
        screen_.tellOpenFailure(station, message);
    }
    // Stations whose port would not open wait for their adapter, unless none opened at all.
    if (!request_.all && opensTold_ == stationNames_.size() && opensFailed_ == opensTold_) {
        noPortOpened_ = true;
        ending_ = true;
    }
}

void ProvisionRun::showState(int station, const QString& state) {
    QMutexLocker lock(&mutex_);
    screen_.setState(station, state);
}

bool ProvisionRun::askRecord(Platform& platform, int station,
                             const std::function<RecordAnswer(QString&)>& question,
                             QString& error) {
    constexpr int kRetryMs = 1000;
    constexpr int kStepMs = 100;
    for (;;) {
        error.clear();
        const RecordAnswer answer = question(error);
        if (answer == RecordAnswer::Given)
            return true;
        QMutexLocker lock(&mutex_);
        if (answer == RecordAnswer::Refused) {
            ending_ = true;
            tellOnce(error);
            return false;
        }
        tellOnce(error + QStringLiteral(" Stations wait for it and take no new module."));
        screen_.setState(station, QStringLiteral("waiting for the database"));
        lock.unlock();
        for (int waited = 0; waited < kRetryMs; waited += kStepMs) {
            if (isStopping())
                return false;
            platform.sleep(kStepMs);
        }
    }
}

std::optional<int> ProvisionRun::unitDoneFor(Platform& platform, int station,
                                             const QString& ownAddress) {
    if (request_.again)
        return 0;
    int unit = 0;
    QString error;
    if (!askRecord(
            platform, station,
            [&](QString& why) { return record_.unitDoneFor(ownAddress, unit, why); }, error))
        return std::nullopt;
    return unit;
}

std::optional<int> ProvisionRun::takeUnit(Platform& platform, int station, ReportRow& row,
                                          QString& busyAt) {
    constexpr int kRecheckMs = 50;
    for (;;) {
        if (isStopping())
            return std::nullopt;
        QMutexLocker lock(&mutex_);
        for (auto other = underWay_.cbegin(); other != underWay_.cend(); ++other)
            if (other.key() != station && other->row.ownAddress == row.ownAddress) {
                busyAt = other->row.station;
                return std::nullopt;
            }
        if (request_.count == 0 ||
            ok_ + int(underWay_.size()) < request_.count * modulesPerUnit()) {
            // Counted as under way while its unit is asked for, unit 0 until it is given.
            underWay_[station] = {row, clock_.now()};
            lock.unlock();
            QString error;
            const bool given = askRecord(
                platform, station, [&](QString& why) { return record_.takeUnit(row, why); }, error);
            lock.relock();
            if (!given) {
                underWay_.remove(station);
                return std::nullopt;
            }
            underWay_[station].row.unit = row.unit;
            return row.unit;
        }
        lock.unlock();
        platform.sleep(kRecheckMs); // a save under way may fail and leave room
    }
}

bool ProvisionRun::shareUnit(Platform& platform, int station, ReportRow& row) {
    QMutexLocker lock(&mutex_);
    underWay_[station] = {row, clock_.now()};
    lock.unlock();
    QString error;
    if (askRecord(
            platform, station, [&](QString& why) { return record_.takeUnit(row, why); }, error))
        return true;
    lock.relock();
    underWay_.remove(station);
    return false;
}

bool ProvisionRun::beginSave(Platform& platform, int station, const ReportRow& row,
                             QString& error) {
    {
        QMutexLocker lock(&mutex_);
        if (const auto found = underWay_.find(station); found != underWay_.end())
            found->row.name = row.name, found->row.pin = row.pin;
    }
    if (askRecord(
            platform, station, [&](QString& why) { return record_.beginSave(row, why); }, error))
        return true;
    if (isStopping())
        error = QStringLiteral("The run stopped before the save could be recorded: the module "
                               "was not saved.");
    return false;
}

bool ProvisionRun::takeUnitOfFailure(Platform& platform, int station, ReportRow& row) {
    QString error;
    return askRecord(
        platform, station, [&](QString& why) { return record_.takeUnit(row, why); }, error);
}

void ProvisionRun::tellOnce(const QString& text) {
    if (!told_.contains(text))
        printCliError(text);
    told_.insert(text);
}

std::optional<QList<Assignment>> ProvisionRun::settingsFor(int unit, const QString& ownAddress,
                                                           QString& error, const QString& role,
                                                           QStringList* draws) const {
    return profile_.settingsFor(unit, ownAddress, error, role, draws);
}

void ProvisionRun::record(int station, const ReportRow& row, bool afterTakeUnit) {
    // Kept before the lock: a database may take its time, and the other stations go on.
    QString error;
    const bool kept = record_.keep(row, error);
    const QString moved = record_.displacement();
    QMutexLocker lock(&mutex_);
    if (afterTakeUnit)
        underWay_.remove(station);
    if (afterTakeUnit && stopsignals::count() > 0)
        ++savedAfterStop_;
    if (!kept) {
        if (!reportFailed_)
            printCliError(error + QStringLiteral(" No module is taken until its row can be kept."));
        reportFailed_ = true;
        ending_ = true;
    }
    if (!moved.isEmpty()) {
        ending_ = true;
        tellOnce(moved);
    }
    if (kept && !error.isEmpty())
        tellOnce(error + QStringLiteral(" The rows wait in the report until it answers."));
    if (row.result == QLatin1String("ok")) {
        ++ok_;
    } else if (row.result == QLatin1String("failed")) {
        ++failed_;
    } else {
        ++skipped_;
    }
    if (request_.count > 0 && ok_ >= request_.count * modulesPerUnit())
        ending_ = true;
    screen_.tellFinished(station, row);
}

void ProvisionRun::parkAfterSecondStop() {
    ++parked_;
    for (;;)
        QThread::sleep(1);
}

void ProvisionRun::endAtOnce() {
    QDeadlineTimer deadline(kParkWaitMs);
    while (parked_ + stationsEnded() < int(stations_.size()) && !deadline.hasExpired())
        QThread::msleep(10);
    const int signal = stopsignals::last();
    QMutexLocker lock(&mutex_);
    const int cut = recordCutSaves();
    screen_.finish(summaryLine());
    QString line = QStringLiteral("stopped at once by a second %1.").arg(stopsignals::name(signal));
    if (cut > 0)
        line += QStringLiteral(" %1 module%2 being saved %3 recorded as failed. ")
                    .arg(cut)
                    .arg(cut == 1 ? "" : "s", cut == 1 ? "is" : "are") +
                Connection::partlySavedMessage();
    printCliError(line);
    std::fflush(nullptr);
    std::_Exit(128 + signal);
}

// Each save that a second signal cut gets its row: its unit is given, and the module may hold
// part of the settings.
int ProvisionRun::recordCutSaves() {
    int cut = 0;
    for (auto it = underWay_.begin(); it != underWay_.end(); it = underWay_.erase(it)) {
        if (it->row.unit == 0)
            continue; // its unit was still being asked for: no number is the module's
        ReportRow row = it->row;
        row.time = QDateTime::currentDateTime();
        row.result = QStringLiteral("failed");
        row.detail = QStringLiteral("Stopped during the save: the module may hold part of the "
                                    "settings.");
        row.seconds += double(clock_.now() - it->unitAt) / 1000.0;
        QString error;
        if (!record_.keep(row, error))
            printCliError(error);
        ++failed_;
        ++cut;
        screen_.tellFinished(it.key(), row);
    }
    return cut;
}

QString ProvisionRun::summaryLine() const {
    const double hours = double(clock_.now() - startedMs_) / 3.6e6;
    const int perHour = hours > 0 ? int(ok_ / hours + 0.5) : 0;
    return QStringLiteral("%1 done, %2 failed, %3 skipped, %4 modules per hour")
        .arg(ok_)
        .arg(failed_)
        .arg(skipped_)
        .arg(perHour);
}

void ProvisionRun::tellStopped() {
    if (stopsignals::count() == 0)
        return;
    const QString signal = stopsignals::name(stopsignals::first());
    printCliError(savedAfterStop_ > 0
                      ? QStringLiteral("stopped by %1: saves under way were finished.").arg(signal)
                      : QStringLiteral("stopped by %1.").arg(signal));
}

int ProvisionRun::exitCode() const {
    QMutexLocker lock(&mutex_);
    if (reportFailed_ || unsent_ || !record_.displacement().isEmpty())
        return kExitOutputFailed;
    if (noPortOpened_)
        return kExitPortNotOpened;
    if (stopsignals::count() > 0)
        return 128 + stopsignals::first();
    return failed_ > 0 ? kExitNotSaved : kExitDone;
}

} // namespace tavixat
