#include "SettingsStore.h"

#include "Platform.h"

#include <QSettings>
#include <QStringList>

namespace tavixat {

namespace {

QString organization() {
    return QString::fromLatin1(kApplicationTitle);
}

} // namespace

QString readStoredText(const QString& key, const QString& defaultValue) {
    const QSettings settings(organization());
    const QVariant value = settings.value(key, defaultValue);
    // A hand-edited INI value with an unquoted comma comes back as a list; keep it as written.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

bool storeText(const QString& key, const QString& value) {
    QSettings settings(organization());
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace tavixat
