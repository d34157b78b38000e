#pragma once

#include <QString>
#include <QStringList>

namespace tavixat::sim {

// What the device keeps in its memory, as the texts it reports. The defaults are those of a
// fresh Slave module.
struct DeviceSettings {
    QString name = QStringLiteral("TavixAT");
    QString pinCode = QStringLiteral("1234");
    QString baudRate = QStringLiteral("9600");
    QString stopBits = QStringLiteral("1");
    QString parity = QStringLiteral("N");
    QString role = QStringLiteral("SLAVE");
    // Empty until a Master is given a peer.
    QString remoteAddress;
    QString ownAddress = QStringLiteral("00ba 5e 12 3456");
    QString profile = QStringLiteral("SPP");
    QString visibility = QStringLiteral("DISCOVERABLE");
    QString pinMode = QStringLiteral("PIN_ON");
    QString firmware = QStringLiteral("v2.0");

    // The twelve fields that answer a query, in the order they go out.
    QStringList queryFields() const;
};

} // namespace tavixat::sim
