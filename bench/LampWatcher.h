#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace tavixat {
class StatusLamp;
}

namespace tavixat::bench {

// Notes when the status lamp is first painted in the connected colour after start(): the
// moment the user sees the connection, which comes after the handler that set the colour.
class LampWatcher : public QObject {
    Q_OBJECT
public:
    explicit LampWatcher(StatusLamp& lamp);

    void start();
    // Milliseconds from start() to the first green paint; negative while none.
    double greenAfterMs() const { return greenAfterMs_; }
    double elapsedMs() const { return double(clock_.nsecsElapsed()) / 1e6; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StatusLamp& lamp_;
    QElapsedTimer clock_;
    double greenAfterMs_ = -1;
};

} // namespace tavixat::bench
