#pragma once

#include <QString>
#include <QStringList>

namespace tavixat {

// The fields that answer "<QUERY>", in the order the device sends them.
enum class QueryField {
    Name,
    PinCode,
    BaudRate,
    StopBits,
    Parity,
    Role,
    RemoteAddress,
    OwnAddress,
    Unused, // sent by the device, never interpreted
    Visibility,
    PinMode,
    FirmwareVersion
};

inline constexpr int kQueryFieldCount = 12;
static_assert(int(QueryField::FirmwareVersion) + 1 == kQueryFieldCount);

// The text of one field of a query reply; empty when the reply is shorter.
inline QString queryField(const QStringList& fields, QueryField field) {
    return fields.value(int(field));
}

} // namespace tavixat
