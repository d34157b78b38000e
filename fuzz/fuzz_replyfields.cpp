// The reply field reader fed arbitrary device output, cut into reads of a size the first byte
// gives: whatever the cuts, it must return the fields the stream holds, in order, and never
// gather more than the bound.

#include "FakeSerialPort.h"
#include "modComm.h"

using namespace tavixat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray stream(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    // Each "]" ends the field after the last "[" before it, unless that grew past the bound.
    QStringList expected, found;
    for (const QByteArray& segment : stream.split(']').mid(0, stream.count(']'))) {
        const qsizetype start = segment.lastIndexOf('[');
        if (start >= 0 && start + 1 < segment.size() &&
            segment.size() - start - 1 <= modComm::kMaxFieldLength)
            expected << QString::fromLatin1(segment.mid(start + 1));
    }
    test::FakePlatform platform;
    test::FakeSerialPort port{platform.clock};
    modComm link{port, platform};
    link.OpenPort(1);
    for (qsizetype pos = 0; pos < stream.size() || !link.rxBuffer().isEmpty(); pos += data[0] + 1) {
        port.feedNow(stream.mid(pos, data[0] + 1));
        found << link.NextReplyField();
        if (link.fieldText().size() > modComm::kMaxFieldLength)
            __builtin_trap();
    }
    found.removeAll(QString());
    if (found != expected)
        __builtin_trap();
    return 0;
}
