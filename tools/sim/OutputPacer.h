#pragma once

#include <QByteArray>
#include <deque>
#include <optional>

namespace tavixat::sim {

// Holds the device's output until it is due. Paced, each byte takes one byte time on the line
// after the one before it, as a UART would send it; unpaced, a chunk is due all at once.
class OutputPacer {
public:
    // One byte at 9600 baud: ten bits (start, eight data, stop).
    static constexpr qint64 k9600BaudByteUs = 1042;

    explicit OutputPacer(qint64 byteTimeUs) : byteTimeUs_(byteTimeUs) {}

    void push(const QByteArray& bytes, qint64 atUs);
    // The bytes due by nowUs, removed from the queue.
    QByteArray takeDue(qint64 nowUs);
    std::optional<qint64> nextDueUs() const;
    bool isEmpty() const { return pending_.empty(); }

private:
    struct PendingByte {
        char byte;
        qint64 dueUs;
    };
    std::deque<PendingByte> pending_;
    qint64 lineFreeUs_ = 0;
    qint64 byteTimeUs_ = 0;
};

} // namespace tavixat::sim
