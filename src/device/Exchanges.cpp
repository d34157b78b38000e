#include "Exchanges.h"

#include "Commands.h"
#include "Platform.h"
#include "QueryFields.h"
#include "modComm.h"

namespace tavixat::exchange {

bool sendAcknowledged(modComm& comm, const QString& command, const QString& expectedReply) {
    comm.SendCommand(command);
    return comm.WaitForReply(expectedReply);
}

QString requestVersion(modComm& comm, Platform& platform) {
    comm.SendCommand(command::Vers);
    platform.sleep(kVersionPauseMs);
    return comm.NextReplyField();
}

QStringList querySettings(modComm& comm, Platform& platform) {
    comm.FlushInput();
    comm.SendCommand(command::Query);
    platform.sleep(kQueryPauseMs);
    QStringList fields;
    fields.reserve(kQueryFieldCount);
    for (int i = 0; i < kQueryFieldCount; ++i)
        fields << comm.NextReplyField();
    return fields;
}

void sendClosingNotice(modComm& comm) {
    comm.SendCommand(command::Exit);
}

} // namespace tavixat::exchange
