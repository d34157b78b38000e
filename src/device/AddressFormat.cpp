#include "AddressFormat.h"

#include <algorithm>
#include <iterator>

namespace tavixat {

namespace {

constexpr qsizetype kDigitCount = 12;
// Where the shape's groups start in the digits: 4, 2, 2 and 4 of them.
constexpr qsizetype kGroupStarts[] = {4, 6, 8};

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

bool isAddressCharacter(QChar c) {
    return c == u' ' || isHexDigit(c);
}

bool hasAddressShape(const QString& text) {
    return text.size() == kAddressLength && text.at(4) == u' ' && text.at(7) == u' ' &&
           text.at(10) == u' ';
}

QString shapeAddressDigits(const QString& text) {
    if (text.size() != kDigitCount || !std::all_of(text.begin(), text.end(), isHexDigit))
        return {};
    QString shaped = text;
    for (auto it = std::rbegin(kGroupStarts); it != std::rend(kGroupStarts); ++it)
        shaped.insert(*it, u' ');
    return shaped;
}

QString addressAsLeft(const QString& text) {
    const QString shaped = shapeAddressDigits(text);
    return (shaped.isEmpty() ? text : shaped).toLower();
}

} // namespace tavixat
