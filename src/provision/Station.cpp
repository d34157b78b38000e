#include "Station.h"

#include "ConsolePlatform.h"
#include "ProvisionRun.h"
#include "QtSerialPort.h"
#include "StationWork.h"

namespace tavixat {

Station::Station(ProvisionRun& run, StationPlace place) : run_(run), place_(std::move(place)) {}

// Made here, so that the port's events are handled in this thread.
void Station::run() {
    ProgressLine unusedLine;
    ConsolePlatform platform(unusedLine);
    QtSerialPort serial;
    serial.setDevicePath(place_.device);
    StationWork work(run_, place_, platform, serial);
    platform.onStop = [&work] { work.requestStop(); };
    platform.onSecondStop = [this, &work] {
        work.closePort(); // no lock of the port may outlive the program
        run_.parkAfterSecondStop();
    };
    work.work();
    run_.leaveRecord();
}

} // namespace tavixat
