#include "PressGuard.h"

#include <QCoreApplication>
#include <QEvent>

namespace tavixat {

void PressGuard::dropPressInFlight() {
    if (armed_)
        return;
    armed_ = true;
    QCoreApplication::instance()->installEventFilter(this);
    QMetaObject::invokeMethod(this, &PressGuard::disarm, Qt::QueuedConnection);
}

bool PressGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress)
        return QObject::eventFilter(watched, event);
    disarm();
    return true;
}

void PressGuard::disarm() {
    if (!armed_)
        return;
    armed_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
}

} // namespace tavixat
