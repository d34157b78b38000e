#pragma once

#include <QString>

namespace tavixat {

// The per-user settings store: QSettings of the organization "TavixAT Setup" with no application
// name, so on Linux the INI file "$XDG_CONFIG_HOME/TavixAT Setup.conf". Keys are "Section/Key".
QString readStoredText(const QString& key, const QString& defaultValue);
// False when the store could not be written.
bool storeText(const QString& key, const QString& value);

} // namespace tavixat
