#pragma once

#include <QSettings>
#include <QTemporaryDir>

namespace tavixat::test {

// Points the settings store at a fresh folder of its own, whatever the environment says. Create
// it before the first QSettings object: Qt keeps the paths it has resolved.
class PrivateSettings {
public:
    PrivateSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    }

private:
    QTemporaryDir dir_;
};

} // namespace tavixat::test
