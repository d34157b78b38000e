#include "OutputPacer.h"

#include <algorithm>

namespace tavixat::sim {

void OutputPacer::push(const QByteArray& bytes, qint64 atUs) {
    for (const char byte : bytes) {
        // A byte is readable once its last bit is on the line.
        const qint64 due = std::max(atUs, lineFreeUs_) + byteTimeUs_;
        pending_.push_back({byte, due});
        lineFreeUs_ = due;
    }
}

QByteArray OutputPacer::takeDue(qint64 nowUs) {
    QByteArray due;
    while (!pending_.empty() && pending_.front().dueUs <= nowUs) {
        due.append(pending_.front().byte);
        pending_.pop_front();
    }
    return due;
}

std::optional<qint64> OutputPacer::nextDueUs() const {
    if (pending_.empty())
        return std::nullopt;
    return pending_.front().dueUs;
}

} // namespace tavixat::sim
