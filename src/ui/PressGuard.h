#pragma once

#include <QObject>

namespace tavixat {

// A mouse press moves the focus before it reaches the control under the pointer. When leaving a
// box raises a warning, the modal message box eats the release, and the press delivered after it
// would leave its button drawn pressed. The guard drops that one press: the click that raised the
// warning does nothing.
class PressGuard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Drops the mouse press being delivered now, if one is; disarms itself once control returns
    // to the event loop, so a later press is never taken.
    void dropPressInFlight();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void disarm();

    bool armed_ = false;
};

} // namespace tavixat
