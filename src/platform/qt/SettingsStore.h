#pragma once

#include <QHash>
#include <QLockFile>
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

// The store's file.
QString settingsFileName();

// What keeps the store's file from being read, naming the file; empty when nothing does (a
// missing file is fine: the first save creates it). Writing over such a file would lose what
// the user wrote in it.
QString settingsProblem();

// Keeps other programs out of the store while it lives, so that what one reads, changes and
// writes back is not overwritten by another doing the same at once (QSettings locks each write
// alone). Its lock file lies beside the store's file. A lock left by a program that died is taken
// over at once, one older than any holder needs (a hung program's) after a short wait. Where no
// lock can be made the store cannot be written either, and its writes say so.
class StoreLock {
public:
    StoreLock();

private:
    static constexpr int kWaitMs = 3000;
    // Longer than any read and write of the store takes; a lock older than this was left behind.
    static constexpr int kStaleMs = 2000;

    QLockFile file_;
};

} // namespace tavixat
