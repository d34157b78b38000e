#include "StationWork.h"

#include "JigLine.h"
#include "ProvisionReport.h"
#include "ProvisionRun.h"

namespace tavixat {

// The objects of one station: its jig, and the loop that takes module after module.
class StationWork::Parts {
public:
    Parts(ProvisionRun& run, const StationPlace& place, Platform& platform, SerialPort& port)
        : run_(run), jig_(run, place, platform, port) {}

    void requestStop() { jig_.requestStop(); }
    void closePorts() { jig_.closePort(); }

    void work() {
        bool seatedAlready = false;
        while (!run_.isStopping()) {
            if (!seatedAlready && !waitForModule())
                continue;
            takeModule();
            seatedAlready = waitUntilTakenOut();
        }
        jig_.closePort();
    }

private:
    // A ping about each quarter of a second; true when a module answered.
    bool waitForModule() {
        const qint64 start = jig_.platform().now();
        if (jig_.pingForModule())
            return true;
        jig_.sleepUntil(start +
                        (jig_.isPortOpen() ? JigLine::kPingPeriodMs : JigLine::kReopenPeriodMs));
        return false;
    }

    // Connects with the window's sequence and, unless the module is done or the run ends,
    // saves the profile; records the row.
    void takeModule() {
        ReportRow row;
        const bool connected = jig_.connectModule(row);
        if (jig_.wasStopped())
            return;
        if (!connected)
            return jig_.failBeforeSave(row);
        Platform& platform = jig_.platform();
        const int station = jig_.place().index;
        const std::optional<int> done = run_.unitDoneFor(platform, station, row.ownAddress);
        if (!done)
            return jig_.disconnect(); // the run ends: the module is left as it was
        jig_.fillPlace(row);
        if (*done) {
            row.unit = *done;
            jig_.errors() << QStringLiteral("Already ok in the report.");
            jig_.disconnect();
            return jig_.finish(row, QStringLiteral("skipped"), false);
        }
        row.seconds = jig_.secondsSinceStart();
        QString busyAt;
        const std::optional<int> unit = run_.takeUnit(platform, station, row, busyAt);
        if (!busyAt.isEmpty()) {
            jig_.errors() << QStringLiteral("The same own address is being set up at %1: the "
                                            "module was not saved.")
                                 .arg(busyAt);
            jig_.disconnect();
            return jig_.failBeforeSave(row);
        }
        if (!unit)
            return jig_.disconnect(); // the run ends: the module is left as it was
        row.unit = *unit;
        const bool saved = save(row);
        jig_.disconnect();
        jig_.finish(row, saved ? QStringLiteral("ok") : QStringLiteral("failed"), true);
    }

    bool save(ReportRow& row) {
        QString error;
        const auto changes = run_.settingsFor(row.unit, row.ownAddress, error);
        if (!changes) {
            jig_.errors() << error;
            return false;
        }
        return jig_.save(*changes, row).has_value();
    }

    // Pings until the module does not answer (taken out: false) or another one answers in its
    // place (true).
    bool waitUntilTakenOut() {
        while (!run_.isStopping()) {
            const qint64 start = jig_.platform().now();
            const JigLine::Seat seat = jig_.checkSeat();
            if (seat != JigLine::Seat::There)
                return seat == JigLine::Seat::Swapped;
            jig_.sleepUntil(start + JigLine::kPingPeriodMs);
        }
        return false;
    }

    ProvisionRun& run_;
    JigLine jig_;
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

void StationWork::closePorts() {
    parts_->closePorts();
}

} // namespace tavixat
