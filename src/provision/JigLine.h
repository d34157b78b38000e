#pragma once

#include "Connection.h"
#include "DeviceState.h"
#include "ModuleRecord.h"
#include "ModuleText.h"
#include "StationWork.h"
#include "WatchedPort.h"
#include "modComm.h"

#include <optional>

namespace tavixat {

class ProvisionRun;
struct ReportRow;

// One jig of a station: its port, the module seated in it and the row that module gets. The
// station's loop decides when to ping, connect and save; this does each step and keeps the
// module's messages for its row.
class JigLine {
public:
    // A ping goes out about this often while the jig waits for a module or for it to be taken
    // out; each waits for its answer no longer.
    static constexpr int kPingPeriodMs = 250;
    // How often a port that would not open is tried again.
    static constexpr int kReopenPeriodMs = 1000;

    JigLine(ProvisionRun& run, const StationPlace& place, Platform& platform, SerialPort& port);

    const StationPlace& place() const { return place_; }
    Platform& platform() { return platform_; }
    QStringList& errors() { return errors_; }
    void show(const QString& state);
    bool isPortOpen() const { return comm_.isPortOpen(); }
    void requestStop() { connection_.requestStop(); }
    void closePort() { comm_.ClosePort(); }
    // In steps, so that a run that ends does not wait for a station's next poll.
    void sleepUntil(qint64 time);

    // One ping, RTS switched between pings as a connect switches it, the port opened first when
    // it is not; true when a module answered.
    bool pingForModule();

    enum class Seat { There, Gone, Swapped };
    // One ping and, when answered, the own address: whether the module connected last is still
    // there. Gone after two unanswered pings in a row, so that one lost reply is not taken for a
    // module taken out; Swapped when another answers in its place.
    Seat checkSeat();

    // Connects with the window's sequence; the row gets the firmware and the own address. False
    // when it failed (the errors say why), the port closed; the run stopping is false too.
    bool connectModule(ReportRow& row);
    bool wasStopped() const { return connection_.lastOutcome() == Connection::Outcome::Stopped; }
    // The settings the module reported at the connect.
    const ModuleSettings& settings() const { return record_.settings; }
    // Saves the changes (the row gets the name and PIN code first, in the record too) and reads
    // them back; the settings read back, or nothing when anything failed.
    std::optional<ModuleSettings> save(const QList<Assignment>& changes, ReportRow& row);
    // "<EXIT>" and the port closed, when open.
    void disconnect();

    // A module that failed before a save was tried: a unit of its own for its row, if any is
    // left, and the row recorded.
    void failBeforeSave(ReportRow& row);
    void finish(ReportRow& row, const QString& result, bool afterTakeUnit);
    double secondsSinceStart() const;
    void fillPlace(ReportRow& row) const;

private:
    bool openPort();

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
    int misses_ = 0;
    bool rtsAsserted_ = true;
    bool openTold_ = false;
};

} // namespace tavixat
