#pragma once

#include "ModuleText.h"
#include "ProductionRecord.h"
#include "Profile.h"
#include "ProvisionRequest.h"
#include "ProvisionScreen.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <functional>
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
    // Its own time (the rate, how long a save under way has taken) is the clock's.
    ProvisionRun(const ProvisionRequest& request, Profile profile, ProductionRecord& record,
                 const Platform& clock);
    ~ProvisionRun();

    // Runs the stations of `places` (and, with --all, those plugged in later) until the run
    // ends; the exit code.
    int exec(const QList<StationPlace>& places);

    // A station's line on the screen, numbered in the order added; exec() adds its own.
    void addStation(const QString& name);

    // For the stations.
    bool isStopping() const;
    void tellFirstOpen(int station, bool opened, const QString& message);
    void showState(int station, const QString& state);
    // The unit of the module's ok row when it is done and --again is not given, else 0; nothing
    // when the run ends before the record answers.
    std::optional<int> unitDoneFor(Platform& platform, int station, const QString& ownAddress);
    // A number for a module that will be saved, into row.unit, waiting while the modules being
    // saved may still make up the count or the record cannot be reached; nothing when the run
    // ends meanwhile. Until its row is recorded the module is under way as `row` says: a second
    // signal records it as failed. Nothing either, with the station's name in busyAt, when
    // another station is setting up a module of the same own address: a clone or a fault the
    // user must hear of.
    std::optional<int> takeUnit(Platform& platform, int station, ReportRow& row, QString& busyAt);
    // Before the first setting is sent: the name and PIN code the module is being given, in the
    // record. False, with the reason, when the run ends first.
    bool beginSave(Platform& platform, int station, const ReportRow& row, QString& error);
    // A number, into row.unit, for a module that failed before it could be saved; false once
    // every number is given or the run ends.
    bool takeUnitOfFailure(Platform& platform, int station, ReportRow& row);
    // A kit's modules share the unit of the first: the second's row under way with it, and in the
    // record. False when the run ends first.
    bool shareUnit(Platform& platform, int station, ReportRow& row);
    // The profile's settings for one module; role and draws as Profile::settingsFor takes them.
    std::optional<QList<Assignment>> settingsFor(int unit, const QString& ownAddress,
                                                 QString& error, const QString& role = {},
                                                 QStringList* draws = nullptr) const;
    // Writes the row to disk and to the screen; a row that cannot be kept stops the run.
    // afterTakeUnit: the row ends a module that takeUnit() let in.
    void record(int station, const ReportRow& row, bool afterTakeUnit);
    // A station's thread ends: what the record holds for it is let go.
    void leaveRecord() { record_.leaveThread(); }
    // After a second signal: the station's port is closed; it waits here for the end.
    [[noreturn]] void parkAfterSecondStop();

private:
    void startStation(const QList<StationPlace>& places);
    // Modules per unit: two in a kit.
    int modulesPerUnit() const { return request_.pairs ? 2 : 1; }
    void startNewAdapters();
    void tick();
    int stationsEnded() const;
    [[noreturn]] void endAtOnce();
    QString summaryLine() const;
    int exitCode() const;
    void tellStopped();
    // Asks the record until it answers, the station's line saying so while the database cannot
    // be reached; false, with the reason, when the record refuses (the run ends) or the run
    // stops first.
    bool askRecord(Platform& platform, int station,
                   const std::function<RecordAnswer(QString&)>& question, QString& error);
    int recordCutSaves();               // under mutex_; how many
    void tellOnce(const QString& text); // under mutex_

    const ProvisionRequest& request_;
    const Profile profile_;
    ProductionRecord& record_;
    const Platform& clock_;
    ProvisionScreen screen_;

    mutable QMutex mutex_;
    int ok_ = 0;
    int failed_ = 0;
    int skipped_ = 0;
    // The modules between takeUnit and their row, by station, with the time since their unit.
    struct UnderWay {
        ReportRow row;
        qint64 unitAt = 0;
    };
    QHash<int, UnderWay> underWay_;
    QSet<QString> told_;
    int savedAfterStop_ = 0;
    int opensTold_ = 0;
    int opensFailed_ = 0;
    bool noPortOpened_ = false;
    bool reportFailed_ = false;
    bool unsent_ = false; // rows that never reached the shared record
    std::atomic<bool> ending_{false};
    std::atomic<int> parked_{0};
    qint64 startedMs_ = 0;
    int ticks_ = 0;

    std::vector<std::unique_ptr<Station>> stations_;
    QStringList stationNames_;
};

} // namespace tavixat
