#pragma once

#include <QString>

namespace tavixat {

// A text value goes out inside a command byte for byte: only printable ASCII, and never the
// characters that frame commands and replies. The position of the first character the device
// cannot take, or -1 when there is none.
inline qsizetype firstUnsafeCharacter(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x20 || u > 0x7e || u == '<' || u == '>' || u == '[' || u == ']')
            return i;
    }
    return -1;
}

} // namespace tavixat
