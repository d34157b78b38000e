#include "Air.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tavixat::sim {

namespace {

// An address as a file name: lower case, no blanks.
QString keyOf(const QString& address) {
    return address.toLower().remove(u' ');
}

} // namespace

QString Air::pathOf(const QString& address, const char* suffix) const {
    return folder_ + u'/' + keyOf(address) + QLatin1String(suffix);
}

QString Air::announce(const DeviceSettings& settings) const {
    // Whole or not at all: a Master reading it never sees half a Slave.
    QSaveFile own(pathOf(settings.ownAddress, ".module"));
    if (own.open(QIODevice::WriteOnly)) {
        own.write(
            QStringList{settings.role, settings.visibility, settings.pinCode, settings.ownAddress}
                .join(u'\n')
                .toUtf8());
        own.commit();
    }
    if (settings.role != QLatin1String("MASTER"))
        return {};
    const QString peer = settings.remoteAddress;
    if (keyOf(peer).isEmpty() || keyOf(peer) == QLatin1String("000000000000"))
        return QStringLiteral("cannot link: no address to connect to");
    QFile file(pathOf(peer, ".module"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot link: no module has the address %1").arg(peer);
    const QStringList slave = QString::fromUtf8(file.readAll()).split(u'\n');
    if (slave.value(0) != QLatin1String("SLAVE"))
        return QStringLiteral("cannot link: %1 is not a Slave").arg(peer);
    if (slave.value(1) != QLatin1String("DISCOVERABLE"))
        return QStringLiteral("cannot link: %1 is not discoverable").arg(peer);
    if (slave.value(2) != settings.pinCode)
        return QStringLiteral("cannot link: the PIN code differs from that of %1").arg(peer);
    // The note is a file of its own, named by this Master: it appears whole or not at all.
    QFile(notePath(peer, settings.ownAddress)).open(QIODevice::WriteOnly);
    return QStringLiteral("linked to %1").arg(slave.value(3));
}

QString Air::notePath(const QString& slave, const QString& master) const {
    // The Master's address as it states it: the Slave logs it as the Master logs its own.
    return pathOf(slave, ".from-") + master;
}

QStringList Air::takeLinksTo(const QString& ownAddress) const {
    const QString prefix = QFileInfo(notePath(ownAddress, {})).fileName();
    QStringList masters;
    for (const QString& note : QDir(folder_).entryList({prefix + u'*'}, QDir::Files))
        if (QFile::remove(folder_ + u'/' + note))
            masters += note.mid(prefix.size());
    return masters;
}

} // namespace tavixat::sim
