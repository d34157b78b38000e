// The simulator's command splitter fed arbitrary bytes, cut into writes of a size the first byte
// gives: whatever the cuts, it must find the commands the stream holds, in order.

#include "CommandSplitter.h"

using namespace tavixat::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray stream(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    // Each ">" ends the command after the last "<" before it, unless that grew past the bound.
    QList<QByteArray> expected, found;
    for (const QByteArray& segment : stream.split('>').mid(0, stream.count('>'))) {
        const qsizetype start = segment.lastIndexOf('<');
        if (start >= 0 && segment.size() - start - 1 <= CommandSplitter::kMaxCommandLength)
            expected << segment.mid(start + 1);
    }
    CommandSplitter splitter;
    for (qsizetype pos = 0; pos < stream.size(); pos += data[0] + 1)
        found << splitter.push(stream.mid(pos, data[0] + 1));
    if (found != expected)
        __builtin_trap();
    return 0;
}
