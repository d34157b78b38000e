#pragma once

#include <QString>

namespace tavixat {

// The shape of a device address as the window shows it and the device takes it.
inline constexpr const char* kAddressShape = "xxxx xx xx xxxx";
inline constexpr int kAddressLength = 15;

// What the user may put into an address: hexadecimal digits, either case, and spaces.
bool isAddressCharacter(QChar c);

// Fifteen characters with spaces where the shape has them.
bool hasAddressShape(const QString& text);

// Exactly twelve hexadecimal digits and nothing else, written in the address shape; empty for
// any other text.
QString shapeAddressDigits(const QString& text);

// The address box's text once the user has left it: twelve bare digits (as a pasted
// "00:11:22:33:44:55" leaves them) shaped, and all in lower case.
QString addressAsLeft(const QString& text);

} // namespace tavixat
