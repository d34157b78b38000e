#pragma once

#include <QList>
#include <QString>
#include <chrono>

namespace tavixat {

inline constexpr const char* kApplicationTitle = "TavixAT Setup";

enum class MessageIcon { Error, Information };

// What a port list entry opens: "COM<number>" stands for `device`, which is there now or not.
struct PortEntry {
    int number = 0;
    QString device;
    bool attached = false;
};

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
    // Milliseconds on a clock that only moves forward; only differences between readings count.
    virtual qint64 now() const {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    // The ports the list offers, COM1 to COM16, after giving numbers to adapters attached since
    // the last call. A platform that knows no devices returns none, and the list shows only
    // its captions.
    virtual QList<PortEntry> portTable() { return {}; }
    // What keeps the settings store from being read, for a warning at start-up; empty when
    // nothing does.
    virtual QString settingsProblem() { return {}; }
};

} // namespace tavixat
