#pragma once

#include "StationWork.h"

#include <QString>
#include <QThread>

namespace tavixat {

class ProvisionRun;

// One station of a production run, in a thread of its own with its port and platform: the device
// sequences wait and process events, so two stations in one thread would nest inside each other.
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
