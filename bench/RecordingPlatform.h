#pragma once

#include "QtPlatform.h"

#include <QStringList>

namespace tavixat::bench {

// The Qt platform with its message boxes written down instead of shown, so that a timed
// sequence never waits for a click on OK.
class RecordingPlatform : public QtPlatform {
public:
    void showMessage(const QString& text, MessageIcon) override { messages.append(text); }

    QStringList messages;
};

} // namespace tavixat::bench
