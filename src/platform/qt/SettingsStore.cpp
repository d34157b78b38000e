#include "SettingsStore.h"

#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

namespace tavixat {

namespace {

QString organization() {
    return QString::fromLatin1(kApplicationTitle);
}

QString asText(const QVariant& value) {
    // A hand-edited INI value with an unquoted comma comes back as a list; keep it as written.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

} // namespace

QString readStoredText(const QString& key, const QString& defaultValue) {
    if (!settingsProblem().isEmpty())
        return defaultValue;
    const QSettings settings(organization());
    return asText(settings.value(key, defaultValue));
}

QHash<QString, QString> readStoredGroup(const QString& group) {
    QHash<QString, QString> entries;
    if (!settingsProblem().isEmpty())
        return entries;
    QSettings settings(organization());
    settings.beginGroup(group);
    for (const QString& key : settings.childKeys())
        entries.insert(key, asText(settings.value(key)));
    return entries;
}

bool storeText(const QString& key, const QString& value) {
    if (!settingsProblem().isEmpty())
        return false;
    QSettings settings(organization());
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString settingsFileName() {
    return QSettings(organization()).fileName();
}

QString settingsProblem() {
    const QString path = settingsFileName();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1 is not a file.").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read (%2).").arg(path, file.errorString());
    // Qt reports a format error only to the first QSettings that reads a file after it changed,
    // so the check parses a copy under a name never read before.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(file.readAll()) < 0 || !copy.flush())
        return QStringLiteral("%1 cannot be checked (%2).").arg(path, copy.errorString());
    if (QSettings(copy.fileName(), QSettings::IniFormat).status() == QSettings::FormatError)
        return QStringLiteral("%1 cannot be understood: it is not in the INI format the tool "
                              "writes (each line a [Section] or a key=value).")
            .arg(path);
    return {};
}

// Not QSettings' own "<file>.lock": it takes that inside each write, and would wait for this.
StoreLock::StoreLock() : file_(settingsFileName() + QStringLiteral(".numbers-lock")) {
    file_.setStaleLockTime(kStaleMs);
    QDir().mkpath(QFileInfo(settingsFileName()).absolutePath()); // as the first write would
    // A lock that cannot be had even so leaves the caller where it was without one: unlocked.
    file_.tryLock(kWaitMs);
}

} // namespace tavixat
