#pragma once

#include "DeviceModel.h"

#include <optional>

namespace tavixat::test {

class FakePlatform;
class FakeSerialPort;

// Puts the device model at the far end of a fake serial port, on the virtual clock: what the
// tool writes reaches the model with the port's RTS state, the model's replies become readable
// at the virtual times it gives, and the port hangs up when the model says the line is gone.
class DeviceLink {
public:
    DeviceLink(FakeSerialPort& port, FakePlatform& platform, sim::DeviceSettings settings = {},
               sim::DeviceFaults faults = {});
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    sim::DeviceModel& model() { return model_; }
    // Every command the device got, in order.
    const QList<sim::HeardCommand>& heard() const { return heard_; }

private:
    void deliver(const QByteArray& bytes);
    void scheduleHangUp();

    FakeSerialPort& port_;
    FakePlatform& platform_;
    sim::DeviceModel model_;
    QList<sim::HeardCommand> heard_;
    std::optional<qint64> hangUpScheduledAt_;
};

} // namespace tavixat::test
