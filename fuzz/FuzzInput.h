#pragma once

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tavixat::fuzz {

// A broken property is a crash as far as the fuzzer is concerned: it keeps the input.
inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// One arrival of bytes, and one more number the target gives its own meaning (how many reads
// follow it, how much time passed before it).
struct Arrival {
    QByteArray bytes;
    quint8 extra = 0;
};

// A fuzz input read as a plan of arrivals followed by the byte stream they cut up: the first byte
// gives the number of plan steps (up to 15), each step is two bytes (arrival length minus one, and
// the extra number), and the rest is the stream. Steps are used in turn until the stream is spent,
// so a short plan still cuts a long stream; no plan means one arrival of everything.
struct CutInput {
    QByteArray stream;
    QList<Arrival> arrivals;

    explicit CutInput(const uint8_t* data, size_t size) {
        const size_t steps = size == 0 ? 0 : std::min<size_t>(data[0] % 16, (size - 1) / 2);
        const size_t start = std::min(size, 1 + 2 * steps);
        stream = QByteArray(reinterpret_cast<const char*>(data) + start, qsizetype(size - start));
        for (qsizetype pos = 0, i = 0; steps > 0 && pos < stream.size(); ++i) {
            const uint8_t* step = data + 1 + 2 * (size_t(i) % steps);
            arrivals.append({stream.mid(pos, step[0] + 1), step[1]});
            pos += step[0] + 1;
        }
        if (steps == 0)
            arrivals = {{stream, 0}};
    }
};

} // namespace tavixat::fuzz
