#include "ModuleText.h"

#include "AddressFormat.h"
#include "SerialValues.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tavixat {

namespace {

// The window's text boxes take no more than this from the user.
constexpr int kNameLimit = 14;
constexpr int kPinLimit = 8;

std::optional<bool> choice(const QString& value, const char* yes, const char* no) {
    if (value == QLatin1String(yes))
        return true;
    if (value == QLatin1String(no))
        return false;
    return std::nullopt;
}

QString badValue(const Assignment& a, const QString& allowed) {
    return QStringLiteral("%1: \"%2\" is not a valid value; use %3.").arg(a.key, a.value, allowed);
}

// What the address box would hold after the user typed the text and left the box, when its key
// filter would have let every character through (hex digits and spaces); empty otherwise.
QString typedAddress(const QString& text) {
    const QString address = addressAsLeft(text);
    if (!hasAddressShape(address))
        return {};
    for (const QChar c : address) {
        if (c != u' ' && !((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return {};
    }
    return address;
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
        const int limit = isName ? kNameLimit : kPinLimit;
        if (v.isEmpty() || v.size() > limit)
            return QStringLiteral("%1: \"%2\" must have 1 to %3 characters.")
                .arg(a.key, v)
                .arg(limit);
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
        const QString address = typedAddress(v);
        if (address.isEmpty())
            return badValue(a, QStringLiteral("hexadecimal digits as xxxx xx xx xxxx"));
        s.address = address;
    } else {
        return QStringLiteral("unknown key \"%1\"; the keys are %2.")
            .arg(a.key, kModuleKeys.join(QStringLiteral(", ")));
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

QString toJson(const ModuleSettings& s) {
    const QJsonObject object{
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
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString toIni(const ModuleSettings& s) {
    QString text = QStringLiteral("[Module]\n");
    for (const QString& key : kModuleKeys)
        text += key + u'=' + settingText(s, key) + u'\n';
    return text;
}

std::optional<QList<Assignment>> parseIni(const QString& text, QString& error) {
    QList<Assignment> assignments;
    bool inModule = false;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inModule = line == QLatin1String("[Module]");
            if (!inModule) {
                error = QStringLiteral("line %1: only a [Module] section is read, not %2.")
                            .arg(i + 1)
                            .arg(line);
                return std::nullopt;
            }
            continue;
        }
        const std::optional<Assignment> a = splitAssignment(line);
        if (!inModule || !a) {
            error = QStringLiteral("line %1: expected KEY=VALUE under [Module], not \"%2\".")
                        .arg(i + 1)
                        .arg(line);
            return std::nullopt;
        }
        assignments << Assignment{a->key.trimmed(), a->value.trimmed()};
    }
    return assignments;
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

} // namespace tavixat
