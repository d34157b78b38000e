#pragma once

#include "Platform.h"

#include <QString>

namespace tavixat {

// The ports are numbered 1 to 16, and called "COM1" to "COM16" wherever they are named.
inline constexpr int kPortCount = 16;

// "COM3" for 3: the name the port lists show and the key of the port's entry under "Ports".
inline QString portKey(int number) {
    return QStringLiteral("COM") + QString::number(number);
}

// A stored port text counts only when it is a whole number from 0 to 16, written in digits;
// anything else (which only a hand-edited store can hold) falls back to COM1.
inline int storedPortNumber(const QString& stored) {
    constexpr int kDefaultPort = 1;
    bool digitsOnly = !stored.isEmpty();
    for (const QChar c : stored)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    bool ok = false;
    const int number = digitsOnly ? stored.toInt(&ok) : -1;
    return ok && number >= 0 && number <= kPortCount ? number : kDefaultPort;
}

// The port a front end opened last and chose to remember: [Properties] CommPort. 0 stands for
// none chosen.
inline int readRememberedPort(Platform& platform) {
    return storedPortNumber(platform.readSetting(QStringLiteral("Properties"),
                                                 QStringLiteral("CommPort"), QStringLiteral("1")));
}

// False when the store could not be written; the port opened all the same.
inline bool rememberPort(Platform& platform, int number) {
    return platform.saveSetting(QStringLiteral("Properties"), QStringLiteral("CommPort"),
                                QString::number(number));
}

} // namespace tavixat
