#include "DisplayText.h"

#include <algorithm>

namespace tavixat {

namespace {

constexpr qsizetype kEchoedCharacters = 40;

bool isControl(char16_t u) {
    return u < 0x20 || (u >= 0x7f && u <= 0x9f);
}

QString escaped(QChar c) {
    switch (c.unicode()) {
    case u'\\':
        return QStringLiteral("\\\\");
    case u'\t':
        return QStringLiteral("\\t");
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    default:
        break;
    }
    if (isControl(c.unicode()))
        return QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    return c;
}

} // namespace

QString escapeControls(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text)
        shown += escaped(c);
    return shown;
}

QString escapeControlCharacters(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text)
        shown += isControl(c.unicode()) ? escaped(c) : QString(c);
    return shown;
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isControl(c.unicode()); });
}

QString quotedValue(const QString& text) {
    QString shown;
    for (const QChar c : text) {
        const QString piece = c == u'"' ? QStringLiteral("\\\"") : escaped(c);
        if (shown.size() + piece.size() > kEchoedCharacters) {
            shown += u'…';
            break;
        }
        shown += piece;
    }
    return u'"' + shown + u'"';
}

} // namespace tavixat
