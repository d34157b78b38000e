#pragma once

#include <QString>

namespace tavixat {

// `tavixat-cli pair`: a Master and a Slave made the two ends of one link.
struct PairRequest {
    QString master; // "COMn" or a device path
    QString slave;
    QString pin; // empty: the Slave's own, or six random digits
    bool json = false;
};

// Connects both, sets up the Slave and then the Master, reads both back; the exit code. A pair
// left half set up is said to be, and the same command run again finishes it.
int runPair(const PairRequest& request);

} // namespace tavixat
