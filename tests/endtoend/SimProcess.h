#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavixat::test {

// tavixat-sim run as a child process: the far end of a pseudo-terminal, in real time.
class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    // Stops the simulator if it still runs.
    ~SimProcess();

    // Starts it with these options and waits for the line path it prints first.
    bool start(const QStringList& arguments = {});
    const QString& linePath() const { return linePath_; }

    // Everything it has logged so far on standard error.
    QString log();
    // The commands it got, in order, as they came over the line ("<PING>", "<NAME=x>").
    QStringList heardCommands();

    // Gone at once, as a device pulled off the line.
    void kill();
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }

private:
    QProcess process_;
    QString linePath_;
    QString log_;
};

} // namespace tavixat::test
