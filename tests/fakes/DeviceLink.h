#pragma once

#include "DeviceModel.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"

#include <optional>

namespace tavixat::test {

// Puts the device model at the far end of a fake serial port, on the virtual clock: what the
// tool writes reaches the model with the port's RTS state, the model's replies become readable
// at the virtual times it gives, and the port hangs up when the model says the line is gone.
class DeviceLink {
public:
    DeviceLink(FakeSerialPort& port, FakePlatform& platform, sim::DeviceSettings settings = {},
               sim::DeviceFaults faults = {})
        : port_(port), platform_(platform), model_(std::move(settings), std::move(faults)) {
        port_.onWrite = [this](const QByteArray& bytes) { deliver(bytes); };
        scheduleHangUp();
    }
    ~DeviceLink() { port_.onWrite = nullptr; }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    sim::DeviceModel& model() { return model_; }
    // Every command the device got, in order.
    const QList<sim::HeardCommand>& heard() const { return heard_; }

private:
    void deliver(const QByteArray& bytes) {
        const sim::ModelOutput out = model_.receive(bytes, platform_.now(), port_.rtsEnable());
        heard_ << out.commands;
        for (const sim::OutputChunk& chunk : out.chunks)
            port_.feed(chunk.bytes, chunk.atMs);
        scheduleHangUp();
    }
    void scheduleHangUp() {
        const std::optional<qint64> at = model_.hangUpTime();
        if (!at || at == hangUpScheduledAt_)
            return;
        hangUpScheduledAt_ = at;
        // The port notices at the first processing of events from then on. The action may
        // outlive the link, so it holds the port only.
        platform_.schedule(*at, [port = &port_] { port->hangUp(); });
    }

    FakeSerialPort& port_;
    FakePlatform& platform_;
    sim::DeviceModel model_;
    QList<sim::HeardCommand> heard_;
    std::optional<qint64> hangUpScheduledAt_;
};

} // namespace tavixat::test
