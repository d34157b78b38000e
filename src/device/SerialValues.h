#pragma once

#include <QStringList>

namespace tavixat {

// The serial line settings the device takes, in the order of the window's lists: a list entry's
// position is what the window selects when the device reports that value.
inline const QStringList kBaudRates = {"1200",  "2400",  "4800",   "9600",  "19200",
                                       "38400", "57600", "115200", "230400"};
inline const QStringList kStopBits = {"1", "2"};
// The device gets the first letter of each.
inline const QStringList kParityNames = {"None", "Odd", "Even"};
inline const QStringList kParityLetters = {"N", "O", "E"};

} // namespace tavixat
