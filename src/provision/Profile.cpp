#include "Profile.h"

#include "CsvText.h"
#include "DisplayText.h"
#include "SettingsRules.h"
#include "WireText.h"

#include <QRandomGenerator>
#include <algorithm>

namespace tavixat {

namespace {

constexpr int kAddressDigits = 12;
constexpr int kFewestRandomDigits = 4;
constexpr int kMostRandomDigits = 8;
// Wider than any limit of a value: a wider padding is refused by the limit, not here.
constexpr int kWidestPadding = 99;

enum class Kind { Text, Unit, Address, Random, Role };

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
    QString role; // "M" or "S" in a kit
};

bool holdsPlaceholders(const QString& key) {
    return key == QLatin1String("name") || key == QLatin1String("pin");
}

// Digits alone: a sign or a blank is not how anyone writes a width, and is taken for a typo.
std::optional<int> readWidth(const QString& text, int lowest, int highest) {
    const bool digitsOnly = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    const int width = digitsOnly ? text.toInt() : -1;
    if (width < lowest || width > highest)
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
    } else if (kind == QLatin1String("role") && !hasArgument) {
        return Piece{Kind::Role, {}, 0};
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
                QStringLiteral("%1 %2 holds %3, which is not {n}, {n:W}, {addr}, {addr:K} "
                               "(K 1 to 12), {random:D} (D 4 to 8) or {role}; write {{ for a "
                               "\"{\".")
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
        else if (p.kind == Kind::Role)
            text += f.role;
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

bool holdsUnit(const QList<Piece>& pieces) {
    return std::any_of(pieces.begin(), pieces.end(),
                       [](const Piece& p) { return p.kind == Kind::Unit; });
}

// What is wrong with a template's value as one module gets it, in the words of the template
// the user wrote and, when the unit number matters, the unit; empty when nothing is.
QString checkExpansion(const Assignment& t, const QList<Piece>& pieces, const QString& value,
                       int unit) {
    if (std::all_of(pieces.begin(), pieces.end(),
                    [](const Piece& p) { return p.kind == Kind::Text; }))
        return checkChanges({{t.key, value}}); // plain text, checked as set checks it
    const int limit = t.key == QLatin1String("name") ? kNameLimit : kPinLimit;
    const qsizetype unsafe = firstUnsafeCharacter(value);
    if (unsafe >= 0)
        return QStringLiteral("%1 %2 holds %3, which the module cannot take; use printable "
                              "ASCII other than < > [ ].")
            .arg(t.key, quotedValue(t.value), quotedValue(value.at(unsafe)));
    if (value.size() <= limit)
        return {};
    if (!holdsUnit(pieces))
        return QStringLiteral("%1 %2 can expand to %3 characters; it must have 1 to %4.")
            .arg(t.key, quotedValue(t.value))
            .arg(value.size())
            .arg(limit);
    return QStringLiteral("%1 %2 is %3 characters long for unit %4; it must have 1 to %5.")
        .arg(t.key, quotedValue(t.value))
        .arg(value.size())
        .arg(unit)
        .arg(limit);
}

// The fullest filling for a unit: every address digit a letter, nines for the random digits.
Filling longestFilling(int unit) {
    return {unit, QStringLiteral("f").repeated(kAddressDigits),
            [](int count) { return QStringLiteral("9").repeated(count); }, QStringLiteral("M")};
}

// A value grows only with the digits of its unit: the first unit of each length, then the
// highest, find the first unit it fails for.
QString checkTemplate(const Assignment& t, const QList<Piece>& pieces, int highestUnit) {
    for (qint64 unit = 1;; unit *= 10) {
        const int checked = int(std::min<qint64>(unit, highestUnit));
        const QString problem =
            checkExpansion(t, pieces, fill(pieces, longestFilling(checked)), checked);
        if (!problem.isEmpty() || checked == highestUnit)
            return problem;
    }
}

} // namespace

std::optional<Profile> Profile::fromSettings(const QList<Assignment>& settings, int highestUnit,
                                             bool kits, QString& error) {
    for (const Assignment& a : settings) {
        if (!kits && a.value.contains(QLatin1String("{role}")) && holdsPlaceholders(a.key)) {
            error = QStringLiteral("%1 %2 holds {role}, which only a kit of two has: give "
                                   "--pairs, or take {role} out.")
                        .arg(a.key, quotedValue(a.value));
            return std::nullopt;
        }
        if (holdsPlaceholders(a.key) && startsLikeFormula(a.value)) {
            error = QStringLiteral("%1 %2 starts with %3, which a spreadsheet opening the report "
                                   "would take for a formula; start it with another character.")
                        .arg(a.key, quotedValue(a.value), quotedValue(a.value.left(1)));
        } else if (!holdsPlaceholders(a.key)) {
            error = checkChanges({a});
        } else if (const auto pieces = splitTemplate(a, error)) {
            error = checkTemplate(a, *pieces, highestUnit);
        }
        if (!error.isEmpty())
            return std::nullopt;
    }
    return Profile(settings);
}

std::optional<QList<Assignment>> Profile::settingsFor(int unit, const QString& ownAddress,
                                                      QString& error, const QString& role,
                                                      QStringList* draws) const {
    RandomDigits random = random_ ? random_ : RandomDigits(systemRandomDigits);
    if (draws) // a kit: the second module gets the digits drawn for the first
        random = [draws, random, next = 0](int count) mutable {
            if (next == draws->size())
                draws->append(random(count));
            return draws->at(next++);
        };
    const Filling filling{unit, addressDigits(ownAddress), random, role};
    if (filling.address.isEmpty()) {
        error = QStringLiteral("the module's own address %1 is not twelve hexadecimal digits.")
                    .arg(quotedValue(ownAddress));
        return std::nullopt;
    }
    QList<Assignment> filled;
    for (const Assignment& a : settings_) {
        if (!holdsPlaceholders(a.key)) {
            filled << a;
            continue;
        }
        const auto pieces = splitTemplate(a, error);
        const QString value = pieces ? fill(*pieces, filling) : QString();
        if (pieces)
            error = checkExpansion(a, *pieces, value, unit);
        if (!error.isEmpty())
            return std::nullopt;
        filled << Assignment{a.key, value};
    }
    return filled;
}

} // namespace tavixat
