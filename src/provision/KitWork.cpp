#include "KitWork.h"

#include "JigLine.h"
#include "Pairing.h"
#include "ProvisionReport.h"
#include "ProvisionRun.h"

namespace tavixat {

namespace {

using pairing::Role;

constexpr int kMaster = 0;
constexpr int kSlave = 1;

const char* const kRoleNames[] = {"Master", "Slave"};
const char* const kRoleLetters[] = {"M", "S"};

} // namespace

class KitWork::Parts {
public:
    Parts(ProvisionRun& run, const StationPlace& master, const StationPlace& slave,
          Platform& platform, SerialPort& masterPort, SerialPort& slavePort)
        : run_(run), jigs_{JigLine(run, master, platform, masterPort),
                           JigLine(run, slave, platform, slavePort)} {}

    void requestStop() {
        for (JigLine& jig : jigs_)
            jig.requestStop();
    }
    void closePorts() {
        for (JigLine& jig : jigs_)
            jig.closePort();
    }

    void work() {
        while (!run_.isStopping()) {
            const qint64 start = jigs_[kMaster].platform().now();
            if (pingBoth()) {
                takeKit();
                waitUntilTakenOut();
                continue;
            }
            const bool opened = jigs_[kMaster].isPortOpen() && jigs_[kSlave].isPortOpen();
            jigs_[kMaster].sleepUntil(start +
                                      (opened ? JigLine::kPingPeriodMs : JigLine::kReopenPeriodMs));
        }
        closePorts();
    }

private:
    // True when both jigs hold a module. Both are asked each time: a module taken out while the
    // other jig is still empty is not set up later as half of a kit.
    bool pingBoth() {
        bool seated[2];
        for (int k : {kMaster, kSlave})
            seated[k] = jigs_[k].pingForModule();
        for (int k : {kMaster, kSlave})
            if (seated[k] && !seated[1 - k])
                jigs_[k].show(QStringLiteral("waiting for the kit's %1").arg(kRoleNames[1 - k]));
        return seated[kMaster] && seated[kSlave];
    }

    // Both modules out of their jigs, or swapped for new ones.
    void waitUntilTakenOut() {
        bool out[2] = {false, false};
        while (!run_.isStopping() && !(out[kMaster] && out[kSlave])) {
            const qint64 start = jigs_[kMaster].platform().now();
            for (int k : {kMaster, kSlave})
                out[k] = out[k] || jigs_[k].checkSeat() != JigLine::Seat::There;
            jigs_[kMaster].sleepUntil(start + JigLine::kPingPeriodMs);
        }
    }

    void disconnectBoth() {
        jigs_[kSlave].disconnect();
        jigs_[kMaster].disconnect();
    }

    // Each module's failure before a save, with a unit of its own: the two were never one kit.
    void failBoth(ReportRow rows[2], const QString& why) {
        disconnectBoth();
        for (int k : {kMaster, kSlave}) {
            if (!why.isEmpty())
                jigs_[k].errors() << why;
            jigs_[k].failBeforeSave(rows[k]);
        }
    }

    void takeKit() {
        ReportRow rows[2];
        bool connected[2];
        for (int k : {kMaster, kSlave})
            connected[k] = jigs_[k].connectModule(rows[k]);
        if (jigs_[kMaster].wasStopped() || jigs_[kSlave].wasStopped())
            return disconnectBoth();
        rows[kMaster].partner = rows[kSlave].ownAddress;
        rows[kSlave].partner = rows[kMaster].ownAddress;
        for (int k : {kMaster, kSlave})
            if (!connected[k])
                jigs_[1 - k].errors() << QStringLiteral("The kit's %1 at %2 failed: this module "
                                                        "was not saved.")
                                             .arg(kRoleNames[k], jigs_[k].place().name);
        if (!connected[kMaster] || !connected[kSlave])
            return failBoth(rows, {});
        if (rows[kMaster].ownAddress == rows[kSlave].ownAddress)
            return failBoth(rows, QStringLiteral("The Master and the Slave report the same own "
                                                 "address: the kit was not saved."));
        std::optional<int> done[2];
        for (int k : {kMaster, kSlave})
            if (!(done[k] = run_.unitDoneFor(jigs_[k].platform(), jigs_[k].place().index,
                                             rows[k].ownAddress)))
                return disconnectBoth(); // the run ends: the modules are left as they were
        if (*done[kMaster] != 0 && *done[kMaster] == *done[kSlave])
            return skipBoth(rows, *done[kMaster]);
        for (int k : {kMaster, kSlave})
            if (*done[k] != 0)
                return failBoth(rows, QStringLiteral("The %1 is already ok in the report as unit "
                                                     "%2, of another kit: the kit was not saved.")
                                          .arg(kRoleNames[k])
                                          .arg(*done[k]));
        if (giveUnit(rows))
            saveKit(rows);
    }

    void skipBoth(ReportRow rows[2], int unit) {
        disconnectBoth();
        for (int k : {kMaster, kSlave}) {
            rows[k].unit = unit;
            jigs_[k].errors() << QStringLiteral("Already ok in the report.");
            jigs_[k].finish(rows[k], QStringLiteral("skipped"), false);
        }
    }

    // One unit for the two; false when the run ends first or the modules cannot have it.
    bool giveUnit(ReportRow rows[2]) {
        for (int k : {kMaster, kSlave}) {
            jigs_[k].fillPlace(rows[k]);
            rows[k].seconds = jigs_[k].secondsSinceStart();
        }
        QString busyAt;
        JigLine& master = jigs_[kMaster];
        const std::optional<int> unit =
            run_.takeUnit(master.platform(), master.place().index, rows[kMaster], busyAt);
        if (!busyAt.isEmpty()) {
            failBoth(rows, QStringLiteral("The same own address is being set up at %1: the kit "
                                          "was not saved.")
                               .arg(busyAt));
            return false;
        }
        if (!unit) {
            disconnectBoth(); // the run ends: the modules are left as they were
            return false;
        }
        rows[kSlave].unit = *unit;
        JigLine& slave = jigs_[kSlave];
        if (run_.shareUnit(slave.platform(), slave.place().index, rows[kSlave]))
            return true;
        disconnectBoth();
        master.errors() << QStringLiteral("The run stopped before the kit could be saved.");
        master.finish(rows[kMaster], QStringLiteral("failed"), true);
        return false;
    }

    // The settings of each, the profile's with the pair's over them: nothing when the profile
    // refuses them for this kit.
    std::optional<std::pair<QList<Assignment>, QList<Assignment>>> kitSettings(ReportRow rows[2]) {
        QStringList draws; // the random digits, drawn once for the kit
        std::optional<QList<Assignment>> settings[2];
        for (int k : {kSlave, kMaster}) {
            QString error;
            settings[k] = run_.settingsFor(rows[k].unit, rows[k].ownAddress, error,
                                           QString::fromLatin1(kRoleLetters[k]), &draws);
            if (!settings[k]) {
                jigs_[k].errors() << error;
                return std::nullopt;
            }
        }
        QString pin;
        for (const Assignment& setting : *settings[kSlave])
            if (setting.key == QLatin1String("pin"))
                pin = setting.value;
        pin = pairing::sharedPin(pin, jigs_[kSlave].settings());
        const QString address = pairing::linkAddress(jigs_[kSlave].settings());
        return std::pair(pairing::withRoleChanges(*settings[kMaster], Role::Master, pin, address),
                         pairing::withRoleChanges(*settings[kSlave], Role::Slave, pin, address));
    }

    // The Slave first, then the Master; both read back, and the link checked.
    void saveKit(ReportRow rows[2]) {
        const auto settings = kitSettings(rows);
        std::optional<ModuleSettings> slave, master;
        if (settings)
            slave = jigs_[kSlave].save(settings->second, rows[kSlave]);
        if (slave)
            master = jigs_[kMaster].save(settings->first, rows[kMaster]);
        QString problem;
        if (master && !(problem = pairing::linkProblem(*master, *slave)).isEmpty())
            jigs_[kMaster].errors() << problem;
        const bool ok = master && problem.isEmpty();
        if (!slave)
            jigs_[kMaster].errors() << QStringLiteral("The kit's Slave at %1 was not set up: this "
                                                      "module was not saved.")
                                           .arg(jigs_[kSlave].place().name);
        else if (!ok)
            jigs_[kSlave].errors() << QStringLiteral("The kit's Master at %1 was not set up: this "
                                                     "module was saved; both are set up again "
                                                     "when reseated.")
                                          .arg(jigs_[kMaster].place().name);
        disconnectBoth();
        for (int k : {kMaster, kSlave})
            jigs_[k].finish(rows[k], ok ? QStringLiteral("ok") : QStringLiteral("failed"), true);
    }

    ProvisionRun& run_;
    JigLine jigs_[2];
};

KitWork::KitWork(ProvisionRun& run, const StationPlace& master, const StationPlace& slave,
                 Platform& platform, SerialPort& masterPort, SerialPort& slavePort)
    : parts_(std::make_unique<Parts>(run, master, slave, platform, masterPort, slavePort)) {}

KitWork::~KitWork() = default;

void KitWork::work() {
    parts_->work();
}

void KitWork::requestStop() {
    parts_->requestStop();
}

void KitWork::closePorts() {
    parts_->closePorts();
}

} // namespace tavixat
