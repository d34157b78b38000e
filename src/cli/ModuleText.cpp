#include "ModuleText.h"

#include "AddressFormat.h"
#include "Commands.h"
#include "DisplayText.h"
#include "SerialValues.h"
#include "SettingsRules.h"
#include "WireText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <utility>

namespace tavixat {

namespace {

std::optional<bool> choice(const QString& value, const char* yes, const char* no) {
    if (value == QLatin1String(yes))
        return true;
    if (value == QLatin1String(no))
        return false;
    return std::nullopt;
}

QString badValue(const Assignment& a, const QString& allowed) {
    return QStringLiteral("%1: %2 is not a valid value; use %3.")
        .arg(a.key, quotedValue(a.value), allowed);
}

QString badCharacter(const Assignment& a, qsizetype at, const QString& allowed) {
    return QStringLiteral("%1: %2 holds %3, a character the module cannot take; use %4.")
        .arg(a.key, quotedValue(a.value), quotedValue(a.value.at(at)), allowed);
}

// A name or PIN code as the window's box would take it from the user, who types at most
// `limit` characters there; Save refuses what the module cannot take. Empty text when it would.
QString checkBoxText(const Assignment& a, int limit) {
    const qsizetype unsafe = firstUnsafeCharacter(a.value);
    if (unsafe >= 0)
        return badCharacter(a, unsafe, QStringLiteral("printable ASCII other than < > [ ]"));
    if (a.value.isEmpty() || a.value.size() > limit)
        return QStringLiteral("%1: %2 has %3 characters; it must have 1 to %4.")
            .arg(a.key, quotedValue(a.value))
            .arg(a.value.size())
            .arg(limit);
    return {};
}

// What the address box would hold after the user typed the text and left it: its key filter
// lets only hexadecimal digits and spaces through, and leaving the box shapes twelve bare digits.
QString checkAddress(const Assignment& a, QString& address) {
    const QString allowed = QStringLiteral("hexadecimal digits as %1").arg(kAddressShape);
    const auto typable = std::find_if_not(a.value.begin(), a.value.end(), isAddressCharacter);
    if (typable != a.value.end())
        return badCharacter(a, typable - a.value.begin(), allowed);
    address = addressAsLeft(a.value);
    return hasAddressShape(address) ? QString() : badValue(a, allowed);
}

QJsonValue number(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? QJsonValue(n) : QJsonValue();
}

} // namespace

std::optional<Assignment> splitAssignment(const QString& text) {
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return std::nullopt;
    return Assignment{text.left(equals), text.mid(equals + 1)};
}

QString applySetting(ModuleSettings& s, const Assignment& a) {
    const QString& v = a.value;
    if (a.key == QLatin1String("name") || a.key == QLatin1String("pin")) {
        const bool isName = a.key == QLatin1String("name");
        const QString problem = checkBoxText(a, isName ? kNameLimit : kPinLimit);
        if (!problem.isEmpty())
            return problem;
        (isName ? s.name : s.pin) = v;
    } else if (a.key == QLatin1String("pin-request") || a.key == QLatin1String("discoverable")) {
        const bool isPin = a.key == QLatin1String("pin-request");
        const auto on = isPin ? choice(v, "on", "off") : choice(v, "yes", "no");
        if (!on)
            return badValue(a, isPin ? QStringLiteral("on or off") : QStringLiteral("yes or no"));
        (isPin ? s.pinRequest : s.discoverable) = *on;
    } else if (a.key == QLatin1String("baud")) {
        if (!kBaudRates.contains(v))
            return badValue(a, QStringLiteral("one of ") + kBaudRates.join(QStringLiteral(", ")));
        s.baud = v;
    } else if (a.key == QLatin1String("stop-bits")) {
        if (!kStopBits.contains(v))
            return badValue(a, QStringLiteral("1 or 2"));
        s.stopBits = v;
    } else if (a.key == QLatin1String("parity")) {
        QStringList lowerNames;
        for (const QString& name : kParityNames)
            lowerNames << name.toLower();
        const qsizetype i = lowerNames.indexOf(v);
        if (i < 0)
            return badValue(a, QStringLiteral("none, odd or even"));
        s.parity = kParityNames.at(i);
    } else if (a.key == QLatin1String("role")) {
        const auto master = choice(v, "master", "slave");
        if (!master)
            return badValue(a, QStringLiteral("master or slave"));
        s.master = *master;
    } else if (a.key == QLatin1String("address")) {
        QString address;
        const QString problem = checkAddress(a, address);
        if (!problem.isEmpty())
            return problem;
        s.address = address;
    } else {
        return QStringLiteral("unknown key %1; the keys are %2.")
            .arg(quotedValue(a.key), kModuleKeys.join(QStringLiteral(", ")));
    }
    return {};
}

QString checkChanges(const QList<Assignment>& changes) {
    ModuleSettings scratch;
    for (const Assignment& change : changes) {
        const QString problem = applySetting(scratch, change);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

QString settingText(const ModuleSettings& s, const QString& key) {
    if (key == QLatin1String("name"))
        return s.name;
    if (key == QLatin1String("pin"))
        return s.pin;
    if (key == QLatin1String("pin-request"))
        return s.pinRequest ? QStringLiteral("on") : QStringLiteral("off");
    if (key == QLatin1String("baud"))
        return s.baud;
    if (key == QLatin1String("stop-bits"))
        return s.stopBits;
    if (key == QLatin1String("parity"))
        return s.parity.toLower();
    if (key == QLatin1String("role"))
        return s.master ? QStringLiteral("master") : QStringLiteral("slave");
    if (key == QLatin1String("address"))
        return s.address;
    if (key == QLatin1String("discoverable"))
        return s.discoverable ? QStringLiteral("yes") : QStringLiteral("no");
    return {};
}

QJsonObject toJsonObject(const ModuleSettings& s) {
    return QJsonObject{
        {"name", s.name},
        {"pin", s.pin},
        {"pin_request", s.pinRequest},
        {"baud", number(s.baud)},
        {"stop_bits", number(s.stopBits)},
        {"parity", s.parity.isEmpty() ? QJsonValue() : QJsonValue(s.parity.toLower())},
        {"role", settingText(s, QStringLiteral("role"))},
        {"address", s.address},
        {"discoverable", s.discoverable},
        {"own_address", s.ownAddress},
        {"firmware", s.firmware},
    };
}

QString toJson(const ModuleSettings& s) {
    return QString::fromUtf8(QJsonDocument(toJsonObject(s)).toJson(QJsonDocument::Indented));
}

QStringList differingKeys(const ModuleSettings& saved, const ModuleSettings& reported) {
    QStringList keys;
    for (const QString& key : kModuleKeys) {
        if (key == QLatin1String("address") && !saved.master)
            continue;
        if (settingText(saved, key) != settingText(reported, key))
            keys << key;
    }
    return keys;
}

QString settingKeyOfCommand(const QString& command) {
    // A value command by its opening part, "<NAME=" of "<NAME=>".
    const std::pair<QString, const char*> known[] = {
        {command::name({}).chopped(1), "name"},
        {command::pinCode({}).chopped(1), "pin"},
        {command::baudRate({}).chopped(1), "baud"},
        {command::stopBits({}).chopped(1), "stop-bits"},
        {command::parity({}).chopped(1), "parity"},
        {command::address({}).chopped(1), "address"},
        {command::Master, "role"},
        {command::Slave, "role"},
        {command::Discoverable, "discoverable"},
        {command::Invisible, "discoverable"},
        {command::PinOn, "pin-request"},
        {command::PinOff, "pin-request"},
    };
    for (const auto& [start, key] : known) {
        if (command.startsWith(start))
            return QString::fromLatin1(key);
    }
    return {};
}

} // namespace tavixat
