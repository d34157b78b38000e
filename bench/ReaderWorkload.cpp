#include "ReaderWorkload.h"

#include "MemoryPort.h"
#include "modComm.h"

#include <iterator>
#include <random>

namespace tavixat::bench {

namespace {

// Replies of a device that is pinged, queried and given settings.
const char* const kReplyFields[] = {
    "READY",
    "OK",
    "v2.0",
    "TavixAT",
    "1234",
    "9600",
    "1",
    "N",
    "MASTER",
    "0012 34 56 789a",
    "00ba 5e 12 3456",
    "SPP",
    "DISCOVERABLE",
    "PIN_ON",
};

// What a line carries between replies: line ends, blanks and the commands echoed back.
const char* const kNoise[] = {
    "", "\r\n", "\r\n", " ", "\r\n\r\n", "<PING>", "<QUERY>", "<NAME=TavixAT>", "\n",
};

constexpr int kGarbageOneIn = 8;
constexpr int kMaxGarbage = 6;

template <typename T, std::size_t N> const T& pick(const T (&items)[N], std::mt19937& random) {
    return items[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

// Bytes of a glitching line: anything but a bracket.
QByteArray garbage(std::mt19937& random) {
    QByteArray bytes;
    const int length = std::uniform_int_distribution<int>(1, kMaxGarbage)(random);
    std::uniform_int_distribution<int> byteValue(1, 255);
    while (bytes.size() < length) {
        const char c = char(byteValue(random));
        if (c != '[' && c != ']')
            bytes.append(c);
    }
    return bytes;
}

QList<qsizetype> cutIntoReads(qsizetype total, qsizetype maxChunk, std::mt19937& random) {
    QList<qsizetype> sizes;
    std::uniform_int_distribution<qsizetype> size(1, std::max<qsizetype>(maxChunk, 1));
    for (qsizetype cut = 0; cut < total;) {
        sizes.append(size(random));
        cut += sizes.last();
    }
    return sizes;
}

} // namespace

ReaderWorkload makeReaderWorkload(qsizetype bytes, quint32 seed, qsizetype maxChunk) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> oneIn(1, kGarbageOneIn);
    ReaderWorkload workload;
    workload.output.reserve(bytes + 64);
    while (workload.output.size() < bytes) {
        workload.output.append(pick(kNoise, random));
        if (oneIn(random) == 1)
            workload.output.append(garbage(random));
        const char* field = pick(kReplyFields, random);
        workload.output.append('[').append(field).append(']');
        workload.fields.append(QString::fromLatin1(field));
    }
    workload.chunkSizes = cutIntoReads(workload.output.size(), maxChunk, random);
    return workload;
}

QStringList readAllFields(modComm& comm, const MemoryPort& port) {
    QStringList fields;
    for (;;) {
        const bool drainedBefore = port.isDrained();
        QString field = comm.NextReplyField();
        if (!field.isEmpty())
            fields.append(std::move(field));
        else if (drainedBefore)
            return fields;
    }
}

} // namespace tavixat::bench
