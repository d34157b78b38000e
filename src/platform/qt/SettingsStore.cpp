#include "SettingsStore.h"

#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <array>
#include <optional>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <unistd.h>
#endif

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

namespace {

// What tells one state of the store's file from another, as far as its check goes: a write
// changes its size and change time, a replacement its inode, chmod and chown its mode, owner and
// change time (unlike the modification time, no program can set it back); whether the file can
// be read also depends on who asks. None where the system cannot say.
using FileStamp = std::array<qint64, 11>;

std::optional<FileStamp> fileStamp(const QString& path) {
#ifdef Q_OS_LINUX
    const QByteArray file = QFile::encodeName(path);
    struct stat s {};
    // A link that leads nowhere is a problem of its own, and has a stamp of its own.
    const bool found = ::stat(file.constData(), &s) == 0 || ::lstat(file.constData(), &s) == 0;
    return FileStamp{found,      qint64(s.st_dev), qint64(s.st_ino), s.st_size,         s.st_mode,
                     s.st_uid,   s.st_gid,         s.st_ctim.tv_sec, s.st_ctim.tv_nsec, ::geteuid(),
                     ::getegid()};
#else
    Q_UNUSED(path);
    return std::nullopt;
#endif
}

// `lasting` is false when the answer says more about this moment than about the file.
QString checkSettingsFile(const QString& path, bool& lasting) {
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
    if (!copy.open() || copy.write(file.readAll()) < 0 || !copy.flush()) {
        lasting = false;
        return QStringLiteral("%1 cannot be checked (%2).").arg(path, copy.errorString());
    }
    if (QSettings(copy.fileName(), QSettings::IniFormat).status() == QSettings::FormatError)
        return QStringLiteral("%1 cannot be understood: it is not in the INI format the tool "
                              "writes (each line a [Section] or a key=value).")
            .arg(path);
    return {};
}

} // namespace

// Every read and write asks, and the port list reads the store many times each time it drops
// down: the file is checked once after each change (ours included), not each time.
QString settingsProblem() {
    struct Checked {
        QString path;
        FileStamp stamp;
        QString problem;
    };
    thread_local std::optional<Checked> last;
    const QString path = settingsFileName();
    // Taken before the check, so that a change during the check is seen by the next call.
    const std::optional<FileStamp> stamp = fileStamp(path);
    if (stamp && last && last->path == path && last->stamp == *stamp)
        return last->problem;
    bool lasting = true;
    const QString problem = checkSettingsFile(path, lasting);
    if (stamp && lasting)
        last = Checked{path, *stamp, problem};
    return problem;
}

// Not QSettings' own "<file>.lock": it takes that inside each write, and would wait for this.
StoreLock::StoreLock() : file_(settingsFileName() + QStringLiteral(".numbers-lock")) {
    file_.setStaleLockTime(kStaleMs);
    QDir().mkpath(QFileInfo(settingsFileName()).absolutePath()); // as the first write would
    // A lock that cannot be had even so leaves the caller where it was without one: unlocked.
    file_.tryLock(kWaitMs);
}

} // namespace tavixat
