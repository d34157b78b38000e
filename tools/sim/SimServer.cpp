#include "SimServer.h"

#include "LineText.h"
#include "PtyLine.h"

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace tavixat::sim {

namespace {

constexpr qsizetype kReadSize = 4096;
// A longer reply is logged by its start and its length, so the log stays readable.
constexpr qsizetype kLoggedReplyBytes = 120;
constexpr int kExitOk = 0;
// How often a module on the air looks for Masters that linked to it.
constexpr qint64 kAirCheckUs = 200000;

} // namespace

SimServer::SimServer(PtyLine& line, Jig& model, bool pace, int stopFd, const QString& airFolder)
    : line_(line), model_(model), pacer_(pace ? OutputPacer::k9600BaudByteUs : 0),
      inputPacer_(pace ? OutputPacer::k9600BaudByteUs : 0), stopFd_(stopFd) {
    clock_.start();
    if (!airFolder.isEmpty()) {
        air_.emplace(airFolder);
        announce();
    }
}

void SimServer::announce() {
    const auto settings = model_.settingsAt(nowUs() / 1000);
    if (!settings)
        return;
    // Said once: a Master that cannot link tries again, as a real one keeps paging its Slave.
    if (const QString said = air_->announce(*settings); said != airSaid_) {
        airSaid_ = said;
        if (!said.isEmpty())
            log(said);
    }
}

void SimServer::logLinksFrom() {
    if (const auto settings = model_.settingsAt(nowUs() / 1000))
        for (const QString& master : air_->takeLinksTo(settings->ownAddress))
            log(QStringLiteral("linked from ") + master);
}

int SimServer::run() {
    for (;;) {
        const qint64 now = nowUs();
        deliverDueInput(now);
        if (air_) {
            logLinksFrom();
            if (airSaid_.startsWith(QLatin1String("cannot link")))
                announce(); // the Slave it names may have taken its settings since
        }
        const std::optional<qint64> hangUp = model_.hangUpTime();
        // Bytes due before the line died still went out; what was on its way is lost.
        sendDueOutput(hangUp ? std::min(now, *hangUp * 1000) : now);
        if (isHangUpDue(now)) {
            log(QStringLiteral("hanging up"));
            line_.close();
            return kExitOk;
        }
        const short lineEvents = short(POLLIN | (unsent_.isEmpty() ? 0 : POLLOUT));
        pollfd fds[] = {{line_.deviceFd(), lineEvents, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, pollTimeoutMs(nowUs())) < 0) {
            if (errno == EINTR)
                continue;
            log(QStringLiteral("poll failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            return kExitLineFailed;
        }
        if (fds[1].revents != 0) {
            log(QStringLiteral("stopped"));
            return kExitOk;
        }
        if ((fds[0].revents & ~POLLOUT) != 0 && !readCommands())
            return kExitLineFailed;
    }
}

int SimServer::pollTimeoutMs(qint64 now) const {
    std::optional<qint64> wakeUs = pacer_.nextDueUs();
    if (const std::optional<qint64> input = inputPacer_.nextDueUs())
        wakeUs = wakeUs ? std::min(*wakeUs, *input) : *input;
    if (const std::optional<qint64> hangUp = model_.hangUpTime()) {
        const qint64 hangUpUs = *hangUp * 1000;
        wakeUs = wakeUs ? std::min(*wakeUs, hangUpUs) : hangUpUs;
    }
    if (air_) // a Master may link to this module at any time
        wakeUs = std::min(wakeUs.value_or(now + kAirCheckUs), now + kAirCheckUs);
    if (!wakeUs)
        return -1;
    // Round up, so the loop does not spin just before the moment.
    return int(std::max<qint64>(0, (*wakeUs - now + 999) / 1000));
}

bool SimServer::isHangUpDue(qint64 now) const {
    // What is still on its way is lost with the line, as it would be on a real one.
    const std::optional<qint64> hangUp = model_.hangUpTime();
    return hangUp && now >= *hangUp * 1000;
}

bool SimServer::readCommands() {
    char buffer[kReadSize];
    const ssize_t n = ::read(line_.deviceFd(), buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (n <= 0) {
        // Cannot happen while the far end is held open here; do not spin on it.
        log(QStringLiteral("the line failed: %1")
                .arg(n == 0 ? QStringLiteral("end of file")
                            : QString::fromLocal8Bit(strerror(errno))));
        return false;
    }
    inputPacer_.push(QByteArray(buffer, n), nowUs());
    return true;
}

void SimServer::deliverDueInput(qint64 nowUs) {
    const QByteArray due = inputPacer_.takeDue(nowUs);
    if (due.isEmpty())
        return;
    const ModelOutput out = model_.receive(due, nowUs / 1000);
    for (const HeardCommand& command : out.commands) {
        logCommand(command);
        // The module leaves its configuration at <EXIT>, and a Master then links.
        if (air_ && command.heard && command.text == "<EXIT>")
            airSaid_.clear(), announce();
    }
    for (const OutputChunk& chunk : out.chunks)
        pacer_.push(chunk.bytes, chunk.atMs * 1000);
}

void SimServer::sendDueOutput(qint64 untilUs) {
    unsent_ += pacer_.takeDue(untilUs);
    if (unsent_.isEmpty())
        return;
    const ssize_t n = ::write(line_.deviceFd(), unsent_.constData(), size_t(unsent_.size()));
    // Nothing taken (the line is full): poll says when there is room again.
    if (n > 0)
        unsent_.remove(0, n);
}

// Logged at the moment the model heard it: when its last byte arrived.
void SimServer::logCommand(const HeardCommand& command) const {
    QString text = printableBytes(command.text);
    if (model_.hasSlots()) {
        const QString seated = model_.moduleAt(command.atMs);
        text = (seated.isEmpty() ? QStringLiteral("(no module)  ") : seated + QLatin1String("  ")) +
               text;
    }
    if (!command.heard)
        text += QLatin1String("  (not heard)");
    else if (command.reply.isEmpty())
        text += QLatin1String("  (no reply)");
    else if (command.reply.size() <= kLoggedReplyBytes)
        text += QLatin1String("  -> ") + printableBytes(command.reply);
    else
        text += QLatin1String("  -> ") + printableBytes(command.reply.left(kLoggedReplyBytes)) +
                QStringLiteral("... (%1 bytes)").arg(command.reply.size());
    log(text);
}

void SimServer::log(const QString& text) const {
    // One write per line: stderr is unbuffered, and a reader should never get half a line.
    const QByteArray line = QByteArray::number(double(nowUs()) / 1e6, 'f', 3).rightJustified(10) +
                            "  " + text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, line.size(), stderr);
}

} // namespace tavixat::sim
