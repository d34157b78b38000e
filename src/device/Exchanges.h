#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavixat {

class Platform;
class modComm;

// The four kinds of exchange with the device. None of them fails loudly: an acknowledgement
// that does not come is false, a reply that does not come is nothing or a short list.
namespace exchange {

// What the device gets to answer before the tool reads, and how long a slow device may take
// in all, counted from the command.
constexpr int kVersionPauseMs = 100;
constexpr int kVersionReplyLimitMs = 1500;
constexpr int kQueryPauseMs = 400;
constexpr int kQueryReplyLimitMs = 2000;

// Sends the command and waits for the one expected field ("READY" or "OK"). Fields already
// waiting are read first and dropped when they differ. No flush: that is the caller's step.
bool sendAcknowledged(modComm& comm, const QString& command, const QString& expectedReply);

// "<VERS>", a pause, then whatever field comes next is the version. A late device gets until
// the limit; nothing when no field arrived by then. No flush first. At the wire's pace, no
// pause: the first field that comes is taken as it comes.
std::optional<QString> requestVersion(modComm& comm, Platform& platform);

// Flush, "<QUERY>", a pause, then the fields in the order they came, up to twelve. A late
// device gets until the limit: fewer than twelve means the reply was incomplete. At the wire's
// pace, no pause: the twelfth field ends the wait as it comes.
QStringList querySettings(modComm& comm, Platform& platform);

// "<EXIT>"; nothing is awaited.
void sendClosingNotice(modComm& comm);

} // namespace exchange
} // namespace tavixat
