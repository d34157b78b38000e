#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tavixat {

// Reads the file at path once, up to one byte more than limit: a settings file or a profile,
// which may also be a pipe, a FIFO or a terminal (/dev/stdin) that tells no size up front, or a
// device such as /dev/zero that never ends. Plain system calls, not Qt's: Qt retries a call that
// a signal interrupted, so a FIFO that nobody writes would hold the program past SIGTERM. A stop
// signal that comes while it waits ends the program at once. Nothing, with the reason, when the
// file cannot be read.
std::optional<QByteArray> readFileUpTo(const QString& path, qint64 limit, QString& error);

} // namespace tavixat
