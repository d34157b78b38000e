#include "MemoryPort.h"

#include <algorithm>
#include <utility>

namespace tavixat::bench {

MemoryPort::MemoryPort(QByteArray output, QList<qsizetype> chunkSizes, QObject* parent)
    : SerialPort(parent), output_(std::move(output)), chunkSizes_(std::move(chunkSizes)) {}

bool MemoryPort::setCommPort(int number) {
    commPort_ = number;
    return true;
}

bool MemoryPort::open(QString& errorDescription) {
    errorDescription.clear();
    open_ = true;
    return true;
}

// The output in memory is what the device sends once the port is open, and an open discards
// what came before it: there is never anything to discard.
void MemoryPort::discardInput() {}

QByteArray MemoryPort::readInput() {
    if (isDrained())
        return {};
    // Past the planned cuts, the rest comes in one piece.
    const qsizetype planned =
        nextChunk_ < chunkSizes_.size() ? chunkSizes_.at(nextChunk_++) : output_.size();
    const qsizetype length = std::min(std::max<qsizetype>(planned, 1), output_.size() - position_);
    const QByteArray chunk = output_.mid(position_, length);
    position_ += length;
    return chunk;
}

} // namespace tavixat::bench
