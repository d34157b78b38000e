#pragma once

#include "ConsolePlatform.h"

#include <QStringList>
#include <memory>

namespace tavixat {

class ProvisionRun;
class SerialPort;

// Where a station works: its name as the user knows it and the device it opens.
struct StationPlace {
    int index = 0;
    QString name;   // "COM3", a device path or an adapter's name under /dev/serial/by-id
    QString device; // what is opened
};

// The platform as a station uses it: error messages are the module's row detail, not lines on
// the screen (the save takes them for a while, as it does on the console); time, sleeps and
// events are those of the platform given.
class StationPlatform : public ConsolePlatform {
public:
    StationPlatform(Platform& base, QStringList& errors);

    QString readSetting(const QString& section, const QString& key,
                        const QString& defaultValue) override {
        return base_.readSetting(section, key, defaultValue);
    }
    bool saveSetting(const QString& section, const QString& key, const QString& value) override {
        return base_.saveSetting(section, key, value);
    }
    void sleep(int milliseconds) override { base_.sleep(milliseconds); }
    void processEvents() override { base_.processEvents(); }
    void setBusyPointer(bool) override {}
    qint64 now() const override { return base_.now(); }

private:
    ProgressLine unusedLine_; // never drawn on: every message is taken
    Platform& base_;
};

// What one station does, over and over until the run stops: waits for a module, connects,
// saves the profile, reads it back, records the row and waits until the module is taken out.
// Its time is its platform's, so that it runs on a test's virtual clock as well as in a thread
// of its own with a real port.
class StationWork {
public:
    StationWork(ProvisionRun& run, const StationPlace& place, Platform& platform, SerialPort& port);
    ~StationWork();

    void work();
    // A stop signal: the connect under way ends before its next exchange; a save runs to its end.
    void requestStop();
    void closePorts();

private:
    class Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace tavixat
