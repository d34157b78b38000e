#include "SettingsTransfer.h"

#include "AddressFormat.h"
#include "Commands.h"
#include "Exchanges.h"
#include "QueryFields.h"
#include "SerialValues.h"
#include "SettingsFields.h"
#include "WireText.h"
#include "modComm.h"

#include <QStringList>

namespace tavixat {

namespace {

const QString kNoAddress = QStringLiteral("0000 00 00 0000");

void selectIfListed(const QStringList& entries, const QString& text, auto select) {
    const qsizetype index = entries.indexOf(text);
    if (index >= 0)
        select(int(index));
}

bool isSafeOnTheWire(const QString& text) {
    return firstUnsafeCharacter(text) < 0;
}

QString unsafeTextMessage(const QString& what) {
    return QStringLiteral("Nothing was saved: the %1 holds a character the device cannot take.")
               .arg(what) +
           QStringLiteral("\r\nUse printable ASCII characters other than < > [ ].");
}

QString noSelectionMessage(const QString& what) {
    return QStringLiteral("Nothing was saved: choose the %1 from its list.").arg(what);
}

} // namespace

QString incompleteReplyMessage(int arrived) {
    return QStringLiteral("Incomplete reply from device!\r\nOnly %1 of the %2 settings arrived.")
        .arg(arrived)
        .arg(kQueryFieldCount);
}

int ReadSettings(modComm& comm, Platform& platform, SettingsFields& w) {
    const QStringList f = exchange::querySettings(comm, platform);
    if (f.size() < kQueryFieldCount)
        return int(f.size());

    w.setName(queryField(f, QueryField::Name));
    w.setPinCode(queryField(f, QueryField::PinCode));
    selectIfListed(kBaudRates, queryField(f, QueryField::BaudRate),
                   [&](int i) { w.selectBaudRate(i); });
    selectIfListed(kStopBits, queryField(f, QueryField::StopBits),
                   [&](int i) { w.selectStopBits(i); });
    selectIfListed(kParityLetters, queryField(f, QueryField::Parity),
                   [&](int i) { w.selectParity(i); });
    if (queryField(f, QueryField::Role) == reply::Master)
        w.SelectMaster();
    else
        w.SelectSlave();
    w.setRemoteAddress(queryField(f, QueryField::RemoteAddress));
    w.setOwnAddress(queryField(f, QueryField::OwnAddress));
    if (w.remoteAddress().isEmpty())
        w.setRemoteAddress(kNoAddress);
    w.setDiscoverableChecked(queryField(f, QueryField::Visibility) != reply::Invisible);
    const bool pinRequested = queryField(f, QueryField::PinMode) != reply::PinOff;
    w.setPinRequestChecked(pinRequested);
    w.setPinCodeEnabled(pinRequested);
    w.setVersionCaption(queryField(f, QueryField::FirmwareVersion));
    return kQueryFieldCount;
}

bool WriteSettings(modComm& comm, const SettingsFields& w) {
    const auto acknowledged = [&comm](const QString& command) {
        return exchange::sendAcknowledged(comm, command, reply::Ok);
    };

    comm.FlushInput();
    if (!acknowledged(command::name(w.name())))
        return false;
    if (!acknowledged(command::pinCode(w.pinCode())))
        return false;
    if (!acknowledged(command::baudRate(w.selectedBaudRate())))
        return false;
    if (!acknowledged(command::stopBits(w.selectedStopBits())))
        return false;
    if (!acknowledged(command::parity(command::parityLetter(w.selectedParity()))))
        return false;
    if (w.isMasterChecked()) {
        if (!acknowledged(command::Master))
            return false;
        if (!acknowledged(command::address(w.remoteAddress())))
            return false;
    } else if (!acknowledged(command::Slave)) {
        return false;
    }
    if (!acknowledged(w.isDiscoverableChecked() ? command::Discoverable : command::Invisible))
        return false;
    return acknowledged(w.isPinRequestChecked() ? command::PinOn : command::PinOff);
}

QString checkSettingsBeforeSave(const SettingsFields& w) {
    if (!isSafeOnTheWire(w.name()))
        return unsafeTextMessage(QStringLiteral("device name"));
    if (!isSafeOnTheWire(w.pinCode()))
        return unsafeTextMessage(QStringLiteral("PIN code"));
    if (w.isMasterChecked() && !isSafeOnTheWire(w.remoteAddress()))
        return unsafeTextMessage(QStringLiteral("address to connect to"));
    if (w.isMasterChecked() && !hasAddressShape(w.remoteAddress()))
        return QStringLiteral("Invalid address format!\r\nThe address must look like %1.")
            .arg(QLatin1String(kAddressShape));
    if (w.selectedBaudRate().isEmpty())
        return noSelectionMessage(QStringLiteral("baud rate"));
    if (w.selectedStopBits().isEmpty())
        return noSelectionMessage(QStringLiteral("stop bits"));
    if (w.selectedParity().isEmpty())
        return noSelectionMessage(QStringLiteral("parity"));
    return {};
}

} // namespace tavixat
