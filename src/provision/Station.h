#pragma once

#include "StationWork.h"

#include <QList>
#include <QString>
#include <QThread>

namespace tavixat {

class ProvisionRun;

// One station of a production run, in a thread of its own with its ports and platform: the
// device sequences wait and process events, so two stations in one thread would nest inside each
// other. A station has one jig, or two for a kit (the Master's, then the Slave's).
class Station : public QThread {
public:
    Station(ProvisionRun& run, QList<StationPlace> places);

protected:
    void run() override;

private:
    ProvisionRun& run_;
    const QList<StationPlace> places_;
};

} // namespace tavixat
