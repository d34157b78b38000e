#include "DeviceLink.h"

#include "FakePlatform.h"
#include "FakeSerialPort.h"

namespace tavixat::test {

DeviceLink::DeviceLink(FakeSerialPort& port, FakePlatform& platform, sim::DeviceSettings settings,
                       sim::DeviceFaults faults)
    : port_(port), platform_(platform), model_(std::move(settings), std::move(faults)) {
    port_.onWrite = [this](const QByteArray& bytes) { deliver(bytes); };
    scheduleHangUp();
}

DeviceLink::~DeviceLink() {
    port_.onWrite = nullptr;
}

void DeviceLink::deliver(const QByteArray& bytes) {
    const sim::ModelOutput out = model_.receive(bytes, platform_.now(), port_.rtsEnable());
    heard_ << out.commands;
    for (const sim::OutputChunk& chunk : out.chunks)
        port_.feed(chunk.bytes, chunk.atMs);
    scheduleHangUp();
}

void DeviceLink::scheduleHangUp() {
    const std::optional<qint64> at = model_.hangUpTime();
    if (!at || at == hangUpScheduledAt_)
        return;
    hangUpScheduledAt_ = at;
    // The port notices at the first processing of events from that moment on. The scheduled
    // action may outlive the link, so it captures the port only.
    FakeSerialPort* port = &port_;
    platform_.schedule(*at, [port] { port->hangUp(); });
}

} // namespace tavixat::test
