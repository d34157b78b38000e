#pragma once

#include "ModuleText.h"
#include "ProductionRecord.h"
#include "Profile.h"
#include "ProvisionRequest.h"
#include "ProvisionScreen.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

namespace tavixat {

class Platform;
class Station;
struct StationPlace;

int runProvision(const ProvisionRequest& request);

// The run that the stations share: unit numbers in the order modules are found, the production
// record, the count, stopping, and the screen. Stations call it from their threads; the main thread
// starts them and watches for signals and new adapters.
class ProvisionRun {
public:
    ProvisionRun(const ProvisionRequest& request, Profile profile, ProductionRecord& record);
    ~ProvisionRun();

    // Runs the stations of `places` (and, with --all, those plugged in later) until the run
    // ends; the exit code.
    int exec(const QList<StationPlace>& places);

    // For the stations.
    bool isStopping() const;
    void tellFirstOpen(int station, bool opened, const QString& message);
    void showState(int station, const QString& state);
    // The unit of the module's ok row, when it is done and --again is not given; else 0.
    int unitDoneFor(const QString& ownAddress) const;
    // A number for a module that will be saved, waiting while the modules being saved may still
    // make up the count; nothing when the run ends meanwhile. Until its row is recorded the
    // module is under way as `row` (with its unit) says: a second signal records it as failed.
    // Nothing either, with the station's name in busyAt, when another station is setting up a
    // module of the same own address: a clone or a fault the user must hear of.
    std::optional<int> takeUnit(Platform& platform, int station, const ReportRow& row,
                                QString& busyAt);
    // The name and PIN code a module under way is being given.
    void noteSaving(int station, const QString& name, const QString& pin);
    // A number for a module that failed before it could be saved; nothing once every number is
    // given.
    std::optional<int> takeUnitOfFailure();
    std::optional<QList<Assignment>> settingsFor(int unit, const QString& ownAddress,
                                                 QString& error) const;
    // Writes the row to disk and to the screen; a row that cannot be kept stops the run.
    // afterTakeUnit: the row ends a module that takeUnit() let in.
    void record(int station, const ReportRow& row, bool afterTakeUnit);
    // After a second signal: the station's port is closed; it waits here for the end.
    [[noreturn]] void parkAfterSecondStop();

private:
    void startStation(const StationPlace& place);
    void startNewAdapters();
    void tick();
    int stationsEnded() const;
    [[noreturn]] void endAtOnce();
    QString summaryLine() const;
    int exitCode() const;
    void tellStopped();
    // The next unit number, or nothing, and the run ends, when all are given. Under mutex_.
    std::optional<int> nextUnitLocked();
    void recordCutSaves();              // under mutex_
    void tellOnce(const QString& text); // under mutex_

    const ProvisionRequest& request_;
    const Profile profile_;
    ProductionRecord& record_;
    ProvisionScreen screen_;

    mutable QMutex mutex_;
    int ok_ = 0;
    int failed_ = 0;
    int skipped_ = 0;
    // The modules between takeUnit and their row, by station, with the time since their unit.
    struct UnderWay {
        ReportRow row;
        QElapsedTimer sinceUnit;
    };
    QHash<int, UnderWay> underWay_;
    QSet<QString> told_;
    int savedAfterStop_ = 0;
    int opensTold_ = 0;
    int opensFailed_ = 0;
    bool noPortOpened_ = false;
    bool reportFailed_ = false;
    std::atomic<bool> ending_{false};
    std::atomic<int> parked_{0};
    qint64 startedMs_ = 0;
    int ticks_ = 0;

    std::vector<std::unique_ptr<Station>> stations_;
    QStringList stationNames_;
};

} // namespace tavixat
