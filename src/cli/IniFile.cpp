#include "IniFile.h"

#include "DisplayText.h"
#include "FileInput.h"

#include <QHash>

namespace tavixat {

namespace {

// A settings file is a few hundred bytes; anything this large is something else.
constexpr qint64 kMaxSettingsFileBytes = 64 * 1024;

bool needsQuotes(const QString& value) {
    return value.trimmed() != value || value.startsWith(u'"') || hasControlCharacter(value);
}

QString iniValue(const QString& value) {
    if (!needsQuotes(value))
        return value;
    return u'"' + escapeControls(value).replace(u'"', QStringLiteral("\\\"")) + u'"';
}

int hexValue(QChar c) {
    const int digit = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
    return c.unicode() < 0x80 ? digit : -1;
}

// The text between the quotes with its escapes undone; nothing for an escape it does not know.
std::optional<QString> unescape(const QString& text) {
    QString value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'\\') {
            if (text.at(i) == u'"')
                return std::nullopt; // only an escaped quote may stand inside
            value += text.at(i);
            continue;
        }
        const QChar e = i + 1 < text.size() ? text.at(++i) : QChar();
        if (e == u'\\' || e == u'"')
            value += e;
        else if (e == u't')
            value += u'\t';
        else if (e == u'n')
            value += u'\n';
        else if (e == u'r')
            value += u'\r';
        else if (e == u'x' && i + 2 < text.size() && hexValue(text.at(i + 1)) >= 0 &&
                 hexValue(text.at(i + 2)) >= 0) {
            value += QChar(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2)));
            i += 2;
        } else
            return std::nullopt;
    }
    return value;
}

// A value as the line holds it: plain text with its blanks dropped, or a quoted text.
std::optional<QString> readValue(const QString& text) {
    const QString value = text.trimmed();
    if (!value.startsWith(u'"'))
        return value;
    if (value.size() < 2 || !value.endsWith(u'"'))
        return std::nullopt;
    return unescape(value.mid(1, value.size() - 2));
}

} // namespace

QString toIni(const ModuleSettings& s) {
    QString text = QStringLiteral("[Module]\n");
    for (const QString& key : kModuleKeys) {
        // A Slave is never sent an address: a file that gave one could not be applied.
        if (key != QLatin1String("address") || s.master)
            text += key + u'=' + iniValue(settingText(s, key)) + u'\n';
    }
    return text;
}

std::optional<QList<Assignment>> parseIni(const QString& text, QString& error) {
    QList<Assignment> assignments;
    QHash<QString, qsizetype> lineOfKey;
    bool inModule = false;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inModule = line == QLatin1String("[Module]");
            if (!inModule) {
                error = where + QStringLiteral("only a [Module] section is read, not %1.")
                                    .arg(quotedValue(line));
                return std::nullopt;
            }
            continue;
        }
        const std::optional<Assignment> a = splitAssignment(line);
        const std::optional<QString> value = a ? readValue(a->value) : std::nullopt;
        if (!inModule || !value) {
            error =
                where +
                QStringLiteral("expected KEY=VALUE under [Module], not %1.").arg(quotedValue(line));
            return std::nullopt;
        }
        const QString key = a->key.trimmed();
        if (lineOfKey.contains(key)) {
            error = where + QStringLiteral("%1 is given twice (first on line %2).")
                                .arg(quotedValue(key))
                                .arg(lineOfKey.value(key) + 1);
            return std::nullopt;
        }
        lineOfKey.insert(key, i);
        assignments << Assignment{key, *value};
    }
    return assignments;
}

std::optional<QList<Assignment>> readIniFile(const QString& path, QString& error) {
    const std::optional<QByteArray> read = readFileUpTo(path, kMaxSettingsFileBytes, error);
    if (!read)
        return std::nullopt;
    const QByteArray& bytes = *read;
    if (bytes.size() > kMaxSettingsFileBytes) {
        error = path + QStringLiteral(" is not a settings file: it is larger than 64 KiB.");
        return std::nullopt;
    }
    auto assignments = parseIni(QString::fromUtf8(bytes), error);
    if (!assignments) {
        error = path + QStringLiteral(", ") + error;
        return std::nullopt;
    }
    if (assignments->isEmpty()) {
        error = path + QStringLiteral(" has no settings under [Module].");
        return std::nullopt;
    }
    return assignments;
}

} // namespace tavixat
