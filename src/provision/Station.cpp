#include "Station.h"

#include "ConsolePlatform.h"
#include "KitWork.h"
#include "ProvisionRun.h"
#include "QtSerialPort.h"
#include "StationWork.h"

namespace tavixat {

Station::Station(ProvisionRun& run, QList<StationPlace> places)
    : run_(run), places_(std::move(places)) {}

// Made here, so that the ports' events are handled in this thread.
void Station::run() {
    ProgressLine unusedLine;
    ConsolePlatform platform(unusedLine);
    QtSerialPort serials[2];
    for (qsizetype k = 0; k < places_.size(); ++k)
        serials[k].setDevicePath(places_[k].device);
    const auto runWork = [&](auto& work) {
        platform.onStop = [&work] { work.requestStop(); };
        platform.onSecondStop = [this, &work] {
            work.closePorts(); // no lock of a port may outlive the program
            run_.parkAfterSecondStop();
        };
        work.work();
    };
    if (places_.size() == 2) {
        KitWork work(run_, places_[0], places_[1], platform, serials[0], serials[1]);
        runWork(work);
    } else {
        StationWork work(run_, places_[0], platform, serials[0]);
        runWork(work);
    }
    run_.leaveRecord();
}

} // namespace tavixat
