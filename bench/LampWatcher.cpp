#include "LampWatcher.h"

#include "StatusLamp.h"
#include "frmMain.h"

#include <QEvent>

namespace tavixat::bench {

LampWatcher::LampWatcher(StatusLamp& lamp) : lamp_(lamp) {
    lamp_.installEventFilter(this);
}

void LampWatcher::start() {
    greenAfterMs_ = -1;
    clock_.start();
}

bool LampWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &lamp_ && event->type() == QEvent::Paint && greenAfterMs_ < 0 &&
        clock_.isValid() && lamp_.fillColor() == frmMain::kConnectedColor)
        greenAfterMs_ = elapsedMs();
    return QObject::eventFilter(watched, event);
}

} // namespace tavixat::bench
