#pragma once

#include <QString>
#include <QStringList>

namespace tavixat {

class Platform;
class modComm;

// The four kinds of exchange with the device. None of them fails loudly: an acknowledgement
// that does not come is false, a field that does not come is empty text.
namespace exchange {

// What the device gets to answer before the tool reads.
constexpr int kVersionPauseMs = 100;
constexpr int kQueryPauseMs = 400;

// Sends the command and waits for the one expected field ("READY" or "OK"). Fields already
// waiting are read first and dropped when they differ. No flush: that is the caller's step.
bool sendAcknowledged(modComm& comm, const QString& command, const QString& expectedReply);

// "<VERS>", a pause, one read: whatever field comes next is the version; empty when none is
// complete in time. No flush first.
QString requestVersion(modComm& comm, Platform& platform);

// Flush, "<QUERY>", a pause, then the twelve reads back to back. A field that completes only
// after its own read is taken by a later one, so it and those behind it move down the list.
QStringList querySettings(modComm& comm, Platform& platform);

// "<EXIT>"; nothing is awaited.
void sendClosingNotice(modComm& comm);

} // namespace exchange
} // namespace tavixat
