#include "TypingLimit.h"

#include <QLineEdit>
#include <QVariant>

namespace tavixat {

namespace {

constexpr const char* kLimitProperty = "typingLimit";

int typingLimit(const QLineEdit& box) {
    return box.property(kLimitProperty).toInt();
}

// Never below the text already there: Qt cuts a text down to the maximum length.
void fitMaxLength(QLineEdit& box, qsizetype textLength) {
    box.setMaxLength(std::max(typingLimit(box), int(textLength)));
}

} // namespace

void setTypingLimit(QLineEdit& box, int limit) {
    box.setProperty(kLimitProperty, limit);
    box.setMaxLength(limit);
    // As the user shortens a long value, the room to type shrinks with it.
    QObject::connect(&box, &QLineEdit::textChanged, &box,
                     [&box](const QString& text) { fitMaxLength(box, text.size()); });
}

void showWholeText(QLineEdit& box, const QString& text) {
    fitMaxLength(box, text.size());
    box.setText(text);
}

} // namespace tavixat
