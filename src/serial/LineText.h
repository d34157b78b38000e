#pragma once

#include <QByteArray>
#include <QString>

namespace tavixat {

// Bytes of the line as text that stays on one line: printable ASCII as it is, the rest as the
// escapes "\r", "\n", "\t", "\\" and "\xHH", so a log shows exactly what went over the line.
QString printableBytes(const QByteArray& bytes);

} // namespace tavixat
