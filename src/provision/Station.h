#pragma once

#include <QString>
#include <QThread>

namespace tavixat {

class ProvisionRun;

// Where a station works: its name as the user knows it and the device it opens.
struct StationPlace {
    int index = 0;
    QString name;   // "COM3", a device path or an adapter's name under /dev/serial/by-id
    QString device; // what is opened
};

// One station of a production run, in a thread of its own: the device sequences wait and
// process events, so two stations in one thread would nest inside each other. Over and over it
// waits for a module, connects, saves the profile, reads it back, records the row and waits
// until the module is taken out, until the run stops.
class Station : public QThread {
public:
    Station(ProvisionRun& run, StationPlace place);

    const StationPlace& place() const { return place_; }

protected:
    void run() override;

private:
    ProvisionRun& run_;
    const StationPlace place_;
};

} // namespace tavixat
