#include "Exchanges.h"

#include "Commands.h"
#include "Platform.h"
#include "QueryFields.h"
#include "modComm.h"

namespace tavixat::exchange {

namespace {

// The next complete field; while none is there, polls in steps as the acknowledgement wait
// does, until `elapsedMs` (time since the command) reaches the limit.
std::optional<QString> awaitField(modComm& comm, Platform& platform, int& elapsedMs, int limitMs) {
    for (;;) {
        if (std::optional<QString> field = comm.TakeAnswerField())
            return field;
        if (elapsedMs >= limitMs || !comm.isPortOpen())
            return std::nullopt;
        platform.processEvents();
        platform.sleep(modComm::kPollMilliseconds);
        elapsedMs += modComm::kPollMilliseconds;
    }
}

} // namespace

bool sendAcknowledged(modComm& comm, const QString& command, const QString& expectedReply) {
    comm.SendCommand(command);
    return comm.WaitForReply(expectedReply);
}

std::optional<QString> requestVersion(modComm& comm, Platform& platform) {
    comm.SendCommand(command::Vers);
    if (comm.pace() == Pace::Wire)
        return comm.AwaitAnswerOnWire(platform.now() + kVersionReplyLimitMs);
    platform.sleep(kVersionPauseMs);
    int elapsedMs = kVersionPauseMs;
    return awaitField(comm, platform, elapsedMs, kVersionReplyLimitMs);
}

QStringList querySettings(modComm& comm, Platform& platform) {
    comm.FlushInput();
    comm.SendCommand(command::Query);
    const bool onWire = comm.pace() == Pace::Wire;
    const qint64 deadline = platform.now() + kQueryReplyLimitMs;
    if (!onWire)
        platform.sleep(kQueryPauseMs);
    int elapsedMs = kQueryPauseMs;
    QStringList fields;
    fields.reserve(kQueryFieldCount);
    while (fields.size() < kQueryFieldCount) {
        const std::optional<QString> field =
            onWire ? comm.AwaitAnswerOnWire(deadline)
                   : awaitField(comm, platform, elapsedMs, kQueryReplyLimitMs);
        if (!field)
            break;
        fields << *field;
    }
    return fields;
}

void sendClosingNotice(modComm& comm) {
    comm.SendCommand(command::Exit);
}

} // namespace tavixat::exchange
