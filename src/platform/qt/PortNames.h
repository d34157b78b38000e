#pragma once

#include "StoredPort.h"

#include <QString>

namespace tavixat {

inline constexpr int kFirstPortNumber = 1;
inline constexpr int kLastPortNumber = kPortCount;

bool isValidPortNumber(int number);
// The number a "Ports" key stands for: 3 for "COM3"; 0 for a key that names no port ("COM0",
// "COM17", "com3", "COM03").
int portNumberOfKey(const QString& key);

enum class PortNaming { Windows, Unix };

// The device to open for port number `number`. Windows opens "COMn" as it is; elsewhere the
// path stored for "COMn" wins (blank counts as none), else /dev/ttyS<n-1>.
QString devicePathFor(int number, const QString& storedPath, PortNaming naming);

// The same rule for this system, with the stored path read from the settings store.
QString devicePathFor(int number);

} // namespace tavixat
