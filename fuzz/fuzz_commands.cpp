// The simulator's ear fed with arbitrary bytes cut into arbitrary writes: the command splitter
// must find the same commands however the bytes are cut and keep a bounded command, and the
// whole device model must take any bytes at any pace with replies that never overtake.

#include "DeviceModel.h"
#include "FuzzInput.h"

using namespace tavixat::fuzz;
using namespace tavixat::sim;

namespace {

// What the stream holds, worked out by splitting it at every ">" rather than by scanning.
struct StreamCommands {
    QList<QByteArray> complete;
    std::optional<QByteArray> open; // gathered after the last ">", when a command is open
};

// The command that ends where the segment ends: what follows its last "<", unless that grew
// past the bound. A segment without "<" ends in a stray ">", which is no command.
std::optional<QByteArray> commandOf(const QByteArray& segment) {
    const qsizetype start = segment.lastIndexOf('<');
    if (start < 0 || segment.size() - start - 1 > CommandSplitter::kMaxCommandLength)
        return std::nullopt;
    return segment.mid(start + 1);
}

StreamCommands commandsOf(const QByteArray& stream) {
    const QList<QByteArray> segments = stream.split('>');
    StreamCommands expected{{}, commandOf(segments.last())};
    for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
        if (const auto command = commandOf(segments[i]))
            expected.complete << *command;
    }
    return expected;
}

void checkSplitter(const QByteArray& stream, const QList<Arrival>& arrivals) {
    const StreamCommands expected = commandsOf(stream);

    CommandSplitter whole;
    require(whole.push(stream) == expected.complete, "one write: commands differ from the stream");
    // Closing what is gathered shows it: bounded, and the text after the last "<".
    require(whole.push(">") == (expected.open ? QList{*expected.open} : QList<QByteArray>{}),
            "one write: the command being gathered differs from the stream");

    CommandSplitter cut;
    QList<QByteArray> commands;
    for (const Arrival& arrival : arrivals)
        commands << cut.push(arrival.bytes);
    require(commands == expected.complete, "cut writes: commands depend on the cuts");
}

// Fault knobs from one byte, so the fuzzer explores the faulty devices too.
DeviceFaults faultsFrom(quint8 knob) {
    const auto when = [knob](int bit, auto value) {
        return knob & bit ? std::optional(value) : std::nullopt;
    };
    return {.answerOnlyWithRts = when(0x80, true),
            .latencyMs = (knob & 0x03) * 50,
            .fieldIntervalMs = ((knob >> 2) & 0x03) * 10,
            .noise = knob & 0x10 ? "\r\n]x[" : "",
            .stopAfterCommands = when(0x40, 2),
            .hangUpAfterCommands = when(0x20, knob & 0x07)};
}

// Arrival i comes extra/2 ms after the one before, with RTS from the extra's lowest bit.
void checkModel(const QByteArray& stream, const QList<Arrival>& arrivals, quint8 knob) {
    const QList<QByteArray> expected = commandsOf(stream).complete;
    DeviceModel model({}, faultsFrom(knob));
    qint64 now = 0, lastReplyAt = 0;
    qsizetype heard = 0;
    for (const Arrival& arrival : arrivals) {
        now += arrival.extra / 2;
        const bool lineWasUp = model.isLineUp(now);
        const auto out = model.receive(arrival.bytes, now, (arrival.extra & 1) != 0);
        require(lineWasUp || (out.commands.isEmpty() && out.chunks.isEmpty()),
                "the model heard or answered on a dead line");
        for (const auto& command : out.commands) {
            require(heard < expected.size() && command.text == '<' + expected[heard] + '>',
                    "the model heard commands the stream does not hold");
            ++heard;
        }
        for (const auto& chunk : out.chunks) {
            require(chunk.atMs >= now, "a reply goes out before its command came");
            require(chunk.atMs >= lastReplyAt, "a reply overtakes the one before");
            lastReplyAt = chunk.atMs;
        }
    }
    require(model.hangUpTime() || heard == expected.size(), "the model missed commands");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CutInput input(data, size);
    checkSplitter(input.stream, input.arrivals);
    checkModel(input.stream, input.arrivals, input.arrivals.value(0).extra);
    return 0;
}
