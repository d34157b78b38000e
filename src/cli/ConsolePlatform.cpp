#include "ConsolePlatform.h"

#include "SettingsStore.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace tavixat {

void ConsolePlatform::showMessage(const QString& text, MessageIcon icon) {
    if (progressLineOpen && icon == MessageIcon::Information)
        return;
    if (std::exchange(progressLineOpen, false))
        std::fputc('\n', stderr);
    const QString lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n", qPrintable(lines));
}

QString ConsolePlatform::readSetting(const QString& section, const QString& key,
                                     const QString& defaultValue) {
    return readStoredText(section + u'/' + key, defaultValue);
}

bool ConsolePlatform::saveSetting(const QString& section, const QString& key,
                                  const QString& value) {
    if (!storePortNumber && section == QLatin1String("Properties") &&
        key == QLatin1String("CommPort"))
        return true;
    return storeText(section + u'/' + key, value);
}

void ConsolePlatform::sleep(int milliseconds) {
    // In short steps, so that a second stop signal ends the program at once.
    constexpr int kStepMs = 20;
    for (int left = milliseconds; left > 0; left -= kStepMs) {
        QThread::msleep(ulong(std::min(left, kStepMs)));
        checkStopSignals();
    }
}

void ConsolePlatform::processEvents() {
    QCoreApplication::processEvents();
    checkStopSignals();
}

void ConsolePlatform::checkStopSignals() {
    const int count = stopsignals::count();
    if (count >= 1 && !std::exchange(stopSeen_, true) && onStop)
        onStop();
    if (count >= 2 && onSecondStop)
        onSecondStop();
}

} // namespace tavixat
