#include "SimProcess.h"

namespace tavixat::test {

namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 3000;

} // namespace

SimProcess::~SimProcess() {
    if (!isRunning())
        return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

bool SimProcess::start(const QStringList& arguments) {
    process_.start(QStringLiteral(TAVIXAT_SIM_PATH), arguments);
    if (!process_.waitForStarted(kStartTimeoutMs))
        return false;
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(kStartTimeoutMs))
            return false;
    }
    linePath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return !linePath_.isEmpty();
}

QString SimProcess::log() {
    // What the event loop has not taken in yet is still in the pipe.
    if (isRunning())
        process_.waitForReadyRead(0);
    log_ += QString::fromLocal8Bit(process_.readAllStandardError());
    return log_;
}

QStringList SimProcess::heardCommands() {
    // Each line: seconds since start, two blanks, then the command and what became of it.
    QStringList commands;
    const QStringList lines = log().split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QString entry = line.trimmed().section(QStringLiteral("  "), 1);
        if (entry.startsWith(u'<'))
            commands << entry.section(QStringLiteral("  "), 0, 0);
    }
    return commands;
}

void SimProcess::kill() {
    process_.kill();
    process_.waitForFinished(kStopTimeoutMs);
}

} // namespace tavixat::test
