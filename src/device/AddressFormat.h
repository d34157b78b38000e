#pragma once

#include <QString>

namespace tavixat {

// The shape of a device address as the window shows it and the device takes it.
inline constexpr const char* kAddressShape = "xxxx xx xx xxxx";

// Fifteen characters with spaces where the shape has them.
bool hasAddressShape(const QString& text);

// Exactly twelve hexadecimal digits and nothing else, written in the address shape; empty for
// any other text.
QString shapeAddressDigits(const QString& text);

} // namespace tavixat
