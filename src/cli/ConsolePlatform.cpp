#include "ConsolePlatform.h"

#include "DisplayText.h"
#include "SettingsStore.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <utility>

namespace tavixat {

namespace {

// The window's line breaks as lines; any other control character, which may come from the
// module (a version text, say), escaped so that it cannot act on the terminal.
QString printableLines(const QString& text) {
    QStringList lines =
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (QString& line : lines)
        line = escapeControlCharacters(line);
    return lines.join(u'\n');
}

} // namespace

void ConsolePlatform::showMessage(const QString& text, MessageIcon icon) {
    if (onMessage)
        return onMessage(text, icon);
    line_.message(printableLines(text), icon);
}

QString ConsolePlatform::readSetting(const QString& section, const QString& key,
                                     const QString& defaultValue) {
    return readStoredText(section + u'/' + key, defaultValue);
}

bool ConsolePlatform::saveSetting(const QString& section, const QString& key,
                                  const QString& value) {
    return storeText(section + u'/' + key, value);
}

void ConsolePlatform::sleep(int milliseconds) {
    // In short steps, so that a second stop signal ends the program at once; up to a deadline,
    // so that the steps' own lateness does not add up.
    constexpr qint64 kStepMs = 20;
    const qint64 deadline = now() + milliseconds;
    for (qint64 left = milliseconds; left > 0; left = deadline - now()) {
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
