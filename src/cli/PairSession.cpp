#include "PairSession.h"

#include "CliSession.h"
#include "ConsolePlatform.h"
#include "DisplayText.h"
#include "ModuleConversation.h"
#include "Pairing.h"
#include "PortTable.h"
#include "StopSignals.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tavixat {

namespace {

using pairing::Role;

class PairSession {
public:
    explicit PairSession(const PairRequest& request) : request_(request) {}

    int run() {
        stopsignals::endIfStoppedBeforeRun();
        warnOfSettingsProblem();
        refreshPortTable(); // a new adapter gets its number, as the window gives it one
        if (!master_.choosePort(request_.master) || !slave_.choosePort(request_.slave))
            return kExitUsage;
        if (master_.deviceIdentity() == slave_.deviceIdentity()) {
            printCliError(QStringLiteral("--master %1 and --slave %2 are one device, %3: give the "
                                         "ports of two modules.")
                              .arg(request_.master, request_.slave, master_.deviceIdentity()));
            return kExitUsage;
        }
        platform_.onStop = [this] { slave_.requestStop(), master_.requestStop(); };
        platform_.onSecondStop = [this] { endConversationsAtOnce(progress_, {&slave_, &master_}); };
        const int result = pair();
        if (isStopped())
            return endStopped();
        slave_.leave();
        master_.leave();
        return result;
    }

private:
    static bool isStopped() { return stopsignals::count() > 0; }

    static int notPaired(int exitCode, const QString& held) {
        printCliError(QStringLiteral("Not paired: ") + held);
        return exitCode;
    }

    // A stop signal came: a save under way has ended, and the line says what each module holds.
    int endStopped() {
        const bool slaveSaved = slave_.lastOutcome() == Connection::Outcome::Saved;
        const bool masterSaved = master_.lastOutcome() == Connection::Outcome::Saved;
        slave_.leave();
        master_.leave();
        const int signal = stopsignals::first();
        const QString held = !slaveSaved ? QStringLiteral("nothing was saved.")
                             : !masterSaved
                                 ? QStringLiteral("the Slave is set up; the Master was not saved: "
                                                  "run the same command again.")
                                 : QStringLiteral("both were saved but not read back: run the "
                                                  "same command again to check them.");
        progress_.message(QStringLiteral("tavixat-cli: stopped by %1. Not paired: %2")
                              .arg(stopsignals::name(signal), held),
                          MessageIcon::Error);
        return 128 + signal;
    }

    int connectBoth() {
        const int slave = slave_.connect(QStringLiteral("the Slave on %1").arg(slave_.portLabel()));
        if (slave != kExitDone || isStopped())
            return slave;
        return master_.connect(QStringLiteral("the Master on %1").arg(master_.portLabel()));
    }

    // Refused before anything is sent: a Slave the Master could not be pointed at.
    int checkEnds(const QString& address) {
        if (address.isEmpty()) {
            platform_.showMessage(QStringLiteral("The Slave's own address %1 is not twelve "
                                                 "hexadecimal digits: the Master would be pointed "
                                                 "at nothing.")
                                      .arg(quotedValue(slave_.settings().ownAddress)),
                                  MessageIcon::Error);
            return kExitValueRefused;
        }
        if (pairing::linkAddress(master_.settings()) == address) {
            platform_.showMessage(QStringLiteral("The Master and the Slave both report the own "
                                                 "address %1: one module given under two names?")
                                      .arg(address),
                                  MessageIcon::Error);
            return kExitUsage;
        }
        return kExitDone;
    }

    int pair() {
        const QString nothing = QStringLiteral("nothing was saved.");
        if (const int connected = connectBoth(); connected != kExitDone || isStopped())
            return isStopped() ? connected : notPaired(connected, nothing);
        const QString address = pairing::linkAddress(slave_.settings());
        if (const int refused = checkEnds(address); refused != kExitDone)
            return notPaired(refused, nothing);
        const QString pin = pairing::sharedPin(request_.pin, slave_.settings());
        ModuleSettings slave, master;
        const int slaveSaved = slave_.save(pairing::roleChanges(Role::Slave, pin, address), slave);
        if (slaveSaved != kExitDone || isStopped())
            return isStopped()
                       ? slaveSaved
                       : notPaired(slaveSaved, QStringLiteral("the Slave may be partly set up; the "
                                                              "Master was not saved: run the same "
                                                              "command again."));
        const QString masterNotSaved = QStringLiteral("the Slave is set up; the Master was not "
                                                      "saved: run the same command again.");
        const int masterSaved =
            master_.save(pairing::roleChanges(Role::Master, pin, address), master);
        if (masterSaved != kExitDone || isStopped())
            return isStopped() ? masterSaved : notPaired(masterSaved, masterNotSaved);
        if (const QString problem = pairing::linkProblem(master, slave); !problem.isEmpty()) {
            platform_.showMessage(problem, MessageIcon::Error);
            return notPaired(kExitNotSaved, masterNotSaved);
        }
        printPaired(master, slave);
        return kExitDone;
    }

    void printPaired(const ModuleSettings& master, const ModuleSettings& slave) const {
        const QString text =
            request_.json
                ? QString::fromUtf8(QJsonDocument(QJsonObject{{"master", toJsonObject(master)},
                                                              {"slave", toJsonObject(slave)}})
                                        .toJson(QJsonDocument::Indented))
                : QStringLiteral("Paired: the Master %1 links to the Slave %2 with the PIN code "
                                 "%3.\n")
                      .arg(escapeControls(master.ownAddress), escapeControls(slave.ownAddress),
                           escapeControls(slave.pin));
        printResult(text);
    }

    const PairRequest& request_;
    ProgressLine progress_;
    ConsolePlatform platform_{progress_};
    ModuleConversation slave_{platform_, progress_};
    ModuleConversation master_{platform_, progress_};
};

} // namespace

int runPair(const PairRequest& request) {
    return PairSession(request).run();
}

} // namespace tavixat
