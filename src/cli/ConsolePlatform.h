#pragma once

#include "Platform.h"
#include "ProgressLine.h"

#include <functional>

namespace tavixat {

// Platform services for a program without a window: messages go to standard error in the
// window's words, the settings store is the window's, sleeps are real.
class ConsolePlatform : public Platform {
public:
    // Messages go through `line`, so that they never land in the middle of a progress line.
    explicit ConsolePlatform(ProgressLine& line) : line_(line) {}

    // Run from the waits when a stop signal has come: once after the first, and after a second
    // (which must end the program at once).
    std::function<void()> onStop;
    std::function<void()> onSecondStop;
    // Where messages go instead of standard error, when set (a production station keeps them
    // for its report).
    std::function<void(const QString& text, MessageIcon icon)> onMessage;

    void showMessage(const QString& text, MessageIcon icon) override;
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override;
    bool saveSetting(const QString& section, const QString& key, const QString& value) override;
    void sleep(int milliseconds) override;
    void processEvents() override;
    void setBusyPointer(bool) override {}

private:
    void checkStopSignals();

    ProgressLine& line_;
    bool stopSeen_ = false;
};

} // namespace tavixat
