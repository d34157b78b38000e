#pragma once

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tavixat::fuzz {

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
    struct Step {
        qsizetype length = 1;
        quint8 extra = 0;
    };

    QByteArray stream;
    QList<Step> plan;

    static CutInput fromFuzzData(const uint8_t* data, size_t size) {
        CutInput input;
        if (size == 0)
            return input;
        const auto* bytes = reinterpret_cast<const char*>(data);
        const size_t wanted = data[0] % 16;
        size_t pos = 1;
        for (size_t step = 0; step < wanted && pos + 1 < size; ++step, pos += 2)
            input.plan.append({qsizetype(data[pos]) + 1, data[pos + 1]});
        pos = std::min(pos, size);
        input.stream = QByteArray(bytes + pos, qsizetype(size - pos));
        return input;
    }

    QList<Arrival> arrivals() const {
        if (plan.isEmpty())
            return {{stream, 0}};
        QList<Arrival> cut;
        qsizetype pos = 0;
        for (qsizetype step = 0; pos < stream.size(); ++step) {
            const Step& s = plan[step % plan.size()];
            cut.append({stream.mid(pos, s.length), s.extra});
            pos += s.length;
        }
        return cut;
    }
};

} // namespace tavixat::fuzz
