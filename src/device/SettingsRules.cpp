#include "SettingsRules.h"

#include "AddressFormat.h"
#include "SettingsFields.h"
#include "Version.h"
#include "WireText.h"

namespace tavixat {

namespace {

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

bool keepPinRequestOn(SettingsFields& fields, const QString& firmwareVersion) {
    if (!isPinRequestLocked(firmwareVersion))
        return false;
    fields.setPinRequestChecked(true);
    return true;
}

QString checkSettingsBeforeSave(const SettingsFields& w, const QString& firmwareVersion) {
    if (!w.isPinRequestChecked() && isPinRequestLocked(firmwareVersion))
        return QStringLiteral("Nothing was saved: firmware %1 keeps the PIN request on.")
            .arg(firmwareVersion);
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
