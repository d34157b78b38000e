#include "PortNames.h"

#include "SettingsStore.h"

namespace tavixat {

bool isValidPortNumber(int number) {
    return number >= kFirstPortNumber && number <= kLastPortNumber;
}

int portNumberOfKey(const QString& key) {
    for (int n = kFirstPortNumber; n <= kLastPortNumber; ++n)
        if (key == portKey(n))
            return n;
    return 0;
}

QString devicePathFor(int number, const QString& storedPath, PortNaming naming) {
    if (naming == PortNaming::Windows)
        return portKey(number);
    const QString stored = storedPath.trimmed();
    if (!stored.isEmpty())
        return stored;
    return QStringLiteral("/dev/ttyS") + QString::number(number - 1);
}

QString devicePathFor(int number) {
#ifdef Q_OS_WIN
    return devicePathFor(number, QString(), PortNaming::Windows);
#else
    const QString stored = readStoredText(QStringLiteral("Ports/") + portKey(number), QString());
    return devicePathFor(number, stored, PortNaming::Unix);
#endif
}

} // namespace tavixat
