#include "ConsolePlatform.h"

#include "SettingsStore.h"

#include <QCoreApplication>
#include <QThread>
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
    if (milliseconds > 0)
        QThread::msleep(ulong(milliseconds));
}

void ConsolePlatform::processEvents() {
    QCoreApplication::processEvents();
}

} // namespace tavixat
