#pragma once

#include "Air.h"
#include "Jig.h"
#include "OutputPacer.h"

#include <QElapsedTimer>
#include <optional>

namespace tavixat::sim {

class PtyLine;

// Serves the device model (or a jig of them) on the line in real time: what arrives goes to the
// model with the time since start once the line has carried it, and what the model sends goes out
// when it is due.
class SimServer {
public:
    // The line could not be made or failed; distinct from the usage error, 1.
    static constexpr int kExitLineFailed = 2;

    // airFolder: where it meets other simulated modules (see Air); empty: nowhere.
    SimServer(PtyLine& line, Jig& model, bool pace, int stopFd, const QString& airFolder = {});

    // Runs until a termination signal or the model's hang-up; the exit code of the program.
    int run();

private:
    qint64 nowUs() const { return clock_.nsecsElapsed() / 1000; }
    int pollTimeoutMs(qint64 nowUs) const;
    bool isHangUpDue(qint64 nowUs) const;
    bool readCommands();
    // Hands the model what the line has carried by nowUs.
    void deliverDueInput(qint64 nowUs);
    // Sends what is due by untilUs; what the line cannot take yet waits for room.
    void sendDueOutput(qint64 untilUs);
    void logCommand(const HeardCommand& command) const;
    void log(const QString& text) const;
    // Leaves the module's settings on the air and logs whether a Master links.
    void announce();
    void logLinksFrom();

    PtyLine& line_;
    Jig& model_;
    OutputPacer pacer_;
    // What the tool wrote, at the line's pace too: a command takes its bytes' time to arrive.
    OutputPacer inputPacer_;
    // Due, but not yet taken by the line: a tool that reads slowly gets it later, not never.
    QByteArray unsent_;
    int stopFd_ = -1;
    std::optional<Air> air_;
    QString airSaid_; // what announce() last logged
    QElapsedTimer clock_;
};

} // namespace tavixat::sim
