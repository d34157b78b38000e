#pragma once

#include "StationWork.h"

#include <memory>

namespace tavixat {

class ProvisionRun;
class SerialPort;

// A station of two jigs, a Master's and a Slave's: once both hold a module, the two are paired
// as `tavixat-cli pair` pairs them and share one unit; a kit is ok only when both are. Then it
// waits until both are taken out (or swapped) before it takes the next kit.
class KitWork {
public:
    KitWork(ProvisionRun& run, const StationPlace& master, const StationPlace& slave,
            Platform& platform, SerialPort& masterPort, SerialPort& slavePort);
    ~KitWork();

    void work();
    void requestStop();
    void closePorts();

private:
    class Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace tavixat
