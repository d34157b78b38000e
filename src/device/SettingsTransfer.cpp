#include "SettingsTransfer.h"

#include "Commands.h"
#include "Exchanges.h"
#include "QueryFields.h"
#include "SerialValues.h"
#include "SettingsFields.h"
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

QList<std::function<QString()>> saveCommands(const SettingsFields& w) {
    QList<std::function<QString()>> commands{
        [&w] { return command::name(w.name()); },
        [&w] { return command::pinCode(w.pinCode()); },
        [&w] { return command::baudRate(w.selectedBaudRate()); },
        [&w] { return command::stopBits(w.selectedStopBits()); },
        [&w] { return command::parity(command::parityLetter(w.selectedParity())); },
    };
    if (w.isMasterChecked()) {
        commands << [] { return command::Master; };
        commands << [&w] { return command::address(w.remoteAddress()); };
    } else {
        commands << [] { return command::Slave; };
    }
    commands <<
        [&w] { return w.isDiscoverableChecked() ? command::Discoverable : command::Invisible; };
    commands << [&w] { return w.isPinRequestChecked() ? command::PinOn : command::PinOff; };
    return commands;
}

bool WriteSettings(modComm& comm, const SettingsFields& w) {
    comm.FlushInput();
    for (const auto& command : saveCommands(w)) {
        if (!exchange::sendAcknowledged(comm, command(), reply::Ok))
            return false;
    }
    return true;
}

} // namespace tavixat
