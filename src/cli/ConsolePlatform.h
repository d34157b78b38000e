#pragma once

#include "Platform.h"

#include <functional>

namespace tavixat {

// Platform services for a program without a window: messages go to standard error in the
// window's words, the settings store is the window's, sleeps are real.
class ConsolePlatform : public Platform {
public:
    // False: the port was given as a device path, and the store's port number stays as it is.
    bool storePortNumber = true;
    // A progress line waits for its end on the terminal: a message starts a line of its own,
    // and "Settings saved!" is said by the progress line's "done" instead.
    bool progressLineOpen = false;
    // Run from the waits when a stop signal has come: once after the first, and after a second
    // (which must end the program at once).
    std::function<void()> onStop;
    std::function<void()> onSecondStop;

    void showMessage(const QString& text, MessageIcon icon) override;
    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override;
    bool saveSetting(const QString& section, const QString& key, const QString& value) override;
    void sleep(int milliseconds) override;
    void processEvents() override;
    void setBusyPointer(bool) override {}

private:
    void checkStopSignals();

    bool stopSeen_ = false;
};

} // namespace tavixat
