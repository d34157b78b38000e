#include "Profile.h"

#include "DisplayText.h"
#include "IniFile.h"
#include "SettingsRules.h"

#include <QRandomGenerator>

namespace tavixat {

namespace {

constexpr int kAddressDigits = 12;
constexpr int kFewestRandomDigits = 4;
constexpr int kMostRandomDigits = 8;
// Wider than any limit of a value: a wider padding is refused by the limit, not here.
constexpr int kWidestPadding = 99;

enum class Kind { Text, Unit, Address, Random };

struct Piece {
    Kind kind = Kind::Text;
    QString text; // for Text
    int width = 0;
};

// What fills the placeholders for one module.
struct Filling {
    int unit = 0;
    QString address; // twelve lower-case hexadecimal digits
    Profile::RandomDigits random;
};

bool holdsPlaceholders(const QString& key) {
    return key == QLatin1String("name") || key == QLatin1String("pin");
}

std::optional<int> readWidth(const QString& text, int lowest, int highest) {
    bool ok = false;
    const int width = text.toInt(&ok);
    if (!ok || width < lowest || width > highest || text.startsWith(u'+'))
        return std::nullopt;
    return width;
}

// "n", "n:W", "addr", "addr:K" or "random:D", the text between the braces.
std::optional<Piece> readPlaceholder(const QString& inner) {
    const QString kind = inner.section(u':', 0, 0);
    const bool hasArgument = inner.contains(u':');
    const QString argument = inner.section(u':', 1);
    if (kind == QLatin1String("n")) {
        if (!hasArgument)
            return Piece{Kind::Unit, {}, 0};
        if (const auto width = readWidth(argument, 1, kWidestPadding))
            return Piece{Kind::Unit, {}, *width};
    } else if (kind == QLatin1String("addr")) {
        if (!hasArgument)
            return Piece{Kind::Address, {}, kAddressDigits};
        if (const auto width = readWidth(argument, 1, kAddressDigits))
            return Piece{Kind::Address, {}, *width};
    } else if (kind == QLatin1String("random") && hasArgument) {
        if (const auto width = readWidth(argument, kFewestRandomDigits, kMostRandomDigits))
            return Piece{Kind::Random, {}, *width};
    }
    return std::nullopt;
}

void appendText(QList<Piece>& pieces, const QString& text) {
    if (pieces.isEmpty() || pieces.last().kind != Kind::Text)
        pieces << Piece{Kind::Text, {}, 0};
    pieces.last().text += text;
}

std::optional<QList<Piece>> splitTemplate(const Assignment& a, QString& error) {
    QList<Piece> pieces;
    const QString& t = a.value;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t.at(i) != u'{') {
            appendText(pieces, t.at(i));
            continue;
        }
        if (t.mid(i, 2) == QLatin1String("{{")) {
            appendText(pieces, QStringLiteral("{"));
            ++i;
            continue;
        }
        const qsizetype end = t.indexOf(u'}', i);
        const auto piece = end < 0 ? std::nullopt : readPlaceholder(t.mid(i + 1, end - i - 1));
        if (!piece) {
            error =
                QStringLiteral("%1: %2 holds %3, which is not {n}, {n:W}, {addr}, {addr:K} "
                               "(K 1 to 12) or {random:D} (D 4 to 8); write {{ for a \"{\".")
                    .arg(a.key, quotedValue(t), quotedValue(t.mid(i, end < 0 ? -1 : end - i + 1)));
            return std::nullopt;
        }
        pieces << *piece;
        i = end;
    }
    return pieces;
}

QString fill(const QList<Piece>& pieces, const Filling& f) {
    QString text;
    for (const Piece& p : pieces) {
        if (p.kind == Kind::Text)
            text += p.text;
        else if (p.kind == Kind::Unit)
            text += QStringLiteral("%1").arg(f.unit, p.width, 10, QChar(u'0'));
        else if (p.kind == Kind::Address)
            text += f.address.right(p.width);
        else
            text += f.random(p.width);
    }
    return text;
}

QString systemRandomDigits(int count) {
    QString digits;
    for (int i = 0; i < count; ++i)
        digits += QChar(u'0' + QRandomGenerator::system()->bounded(10));
    return digits;
}

// Twelve lower-case hexadecimal digits of an own address as the module reports it; empty when
// it is not one.
QString addressDigits(const QString& ownAddress) {
    const QByteArray digits = ownAddress.toLatin1().toLower().replace(' ', QByteArray());
    if (digits.size() != kAddressDigits || QByteArray::fromHex(digits).toHex() != digits)
        return {};
    return QString::fromLatin1(digits);
}

// Every setting with its placeholders filled in, or the first that cannot be read.
std::optional<QList<Assignment>> fillAll(const QList<Assignment>& settings, const Filling& f,
                                         QString& error) {
    QList<Assignment> filled;
    for (const Assignment& a : settings) {
        if (!holdsPlaceholders(a.key)) {
            filled << a;
            continue;
        }
        const auto pieces = splitTemplate(a, error);
        if (!pieces)
            return std::nullopt;
        filled << Assignment{a.key, fill(*pieces, f)};
    }
    return filled;
}

// The longest each setting can grow to: the highest unit number, the fullest address, nines for
// the random digits. Its characters are those of every expansion, digits and letters aside.
std::optional<QList<Assignment>> longestSettings(const QList<Assignment>& settings, int highestUnit,
                                                 QString& error) {
    const Filling longest{highestUnit, QStringLiteral("f").repeated(kAddressDigits),
                          [](int count) { return QStringLiteral("9").repeated(count); }};
    return fillAll(settings, longest, error);
}

QString checkLengths(const QList<Assignment>& templates, const QList<Assignment>& longest) {
    for (qsizetype i = 0; i < templates.size(); ++i) {
        const int limit = templates[i].key == QLatin1String("name") ? kNameLimit : kPinLimit;
        if (holdsPlaceholders(templates[i].key) && longest[i].value.size() > limit &&
            longest[i].value != templates[i].value)
            return QStringLiteral("%1: %2 can expand to %3 characters; it must have 1 to %4.")
                .arg(templates[i].key, quotedValue(templates[i].value))
                .arg(longest[i].value.size())
                .arg(limit);
    }
    return {};
}

} // namespace

std::optional<Profile> Profile::fromSettings(const QList<Assignment>& settings, int highestUnit,
                                             QString& error) {
    const auto longest = longestSettings(settings, highestUnit, error);
    if (!longest)
        return std::nullopt;
    error = checkLengths(settings, *longest);
    if (error.isEmpty())
        error = checkChanges(*longest);
    if (!error.isEmpty())
        return std::nullopt;
    return Profile(settings);
}

std::optional<Profile> Profile::read(const QString& path, int highestUnit, QString& error) {
    const auto settings = readIniFile(path, error);
    if (!settings)
        return std::nullopt;
    auto profile = fromSettings(*settings, highestUnit, error);
    if (!profile)
        error = path + QStringLiteral(": ") + error;
    return profile;
}

std::optional<QList<Assignment>> Profile::settingsFor(int unit, const QString& ownAddress,
                                                      QString& error) const {
    const Filling filling{unit, addressDigits(ownAddress),
                          random_ ? random_ : RandomDigits(systemRandomDigits)};
    if (filling.address.isEmpty()) {
        error = QStringLiteral("the module's own address %1 is not twelve hexadecimal digits.")
                    .arg(quotedValue(ownAddress));
        return std::nullopt;
    }
    auto filled = fillAll(settings_, filling, error);
    if (filled)
        error = checkChanges(*filled);
    if (!error.isEmpty())
        return std::nullopt;
    return filled;
}

} // namespace tavixat
