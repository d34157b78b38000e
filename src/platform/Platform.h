#pragma once

#include <QString>

namespace tavixat {

inline constexpr const char* kApplicationTitle = "TavixAT Setup";

enum class MessageIcon { Error, Information };

// The services the program takes from the windowing platform. Implementations: the Qt
// platform (src/platform/qt) and the tests' fake on a virtual clock.
class Platform {
public:
    virtual ~Platform() = default;

    // Modal message with an OK button, captioned with the application title; "\r\n" breaks
    // the line. Returns after the user closed it.
    virtual void showMessage(const QString& text, MessageIcon icon) = 0;

    // Per-user settings store, addressed by section and key under the application title.
    virtual QString readSetting(const QString& section, const QString& key,
                                const QString& defaultValue) = 0;
    virtual bool saveSetting(const QString& section, const QString& key, const QString& value) = 0;

    // Blocks the thread; no event is handled meanwhile.
    virtual void sleep(int milliseconds) = 0;
    // Runs every handler that is due, then returns.
    virtual void processEvents() = 0;
    // Application-wide pointer: hourglass while busy, the default otherwise.
    virtual void setBusyPointer(bool busy) = 0;
};

} // namespace tavixat
