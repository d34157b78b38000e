#pragma once

#include <QHash>
#include <QString>

namespace tavixat {

// The per-user settings store: QSettings of the organization "TavixAT Setup" with no application
// name, so on Linux the INI file "$XDG_CONFIG_HOME/TavixAT Setup.conf". Keys are "Section/Key".
// While the store has a problem (below), reads give the defaults and writes are refused.
QString readStoredText(const QString& key, const QString& defaultValue);
// Every key of `group` with its text.
QHash<QString, QString> readStoredGroup(const QString& group);
// False when the store could not be written, or has a problem and so must not be.
bool storeText(const QString& key, const QString& value);

// What keeps the store's file from being read, naming the file; empty when nothing does (a
// missing file is fine: the first save creates it). Writing over such a file would lose what
// the user wrote in it.
QString settingsProblem();

} // namespace tavixat
