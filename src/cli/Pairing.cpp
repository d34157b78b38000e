#include "Pairing.h"

#include "AddressFormat.h"
#include "DisplayText.h"

#include <QRandomGenerator>

namespace tavixat::pairing {

namespace {

constexpr int kRandomPinDigits = 6;

QString randomPin() {
    QString pin;
    for (int i = 0; i < kRandomPinDigits; ++i)
        pin += QChar(u'0' + int(QRandomGenerator::system()->bounded(10)));
    return pin;
}

QString addressDigits(const QString& address) {
    return QString(address).remove(u' ').toLower();
}

} // namespace

QString sharedPin(const QString& asked, const ModuleSettings& slave) {
    if (!asked.isEmpty())
        return asked;
    const Assignment own{QStringLiteral("pin"), slave.pin};
    if (!slave.pin.isEmpty() && checkChanges({own}).isEmpty())
        return slave.pin;
    return randomPin();
}

QString linkAddress(const ModuleSettings& slave) {
    return shapeAddressDigits(addressDigits(slave.ownAddress)).toLower();
}

QList<Assignment> roleChanges(Role role, const QString& pin, const QString& slaveAddress) {
    QList<Assignment> changes{{QStringLiteral("pin-request"), QStringLiteral("on")},
                              {QStringLiteral("pin"), pin}};
    if (role == Role::Slave)
        return changes + QList<Assignment>{{QStringLiteral("role"), QStringLiteral("slave")},
                                           {QStringLiteral("discoverable"), QStringLiteral("yes")}};
    return changes + QList<Assignment>{{QStringLiteral("role"), QStringLiteral("master")},
                                       {QStringLiteral("address"), slaveAddress}};
}

QList<Assignment> withRoleChanges(QList<Assignment> settings, Role role, const QString& pin,
                                  const QString& slaveAddress) {
    const QList<Assignment> changes = roleChanges(role, pin, slaveAddress);
    settings.removeIf([&changes](const Assignment& setting) {
        return std::any_of(changes.begin(), changes.end(),
                           [&setting](const Assignment& c) { return c.key == setting.key; });
    });
    return settings + changes;
}

QString linkProblem(const ModuleSettings& master, const ModuleSettings& slave) {
    if (addressDigits(master.address) != addressDigits(slave.ownAddress))
        return QStringLiteral("The Master's address %1 is not the Slave's own address %2.")
            .arg(quotedValue(master.address), quotedValue(slave.ownAddress));
    if (master.pin != slave.pin)
        return QStringLiteral("The Master's PIN code %1 is not the Slave's %2.")
            .arg(quotedValue(master.pin), quotedValue(slave.pin));
    return {};
}

} // namespace tavixat::pairing
