#include "FakeSerialPort.h"

namespace tavixat::test {

void FakeSerialPort::feed(const QByteArray& bytes, qint64 atMs) {
    // Kept in time order, stable for equal times, so chunks arrive as a line would carry them.
    qsizetype i = incoming_.size();
    while (i > 0 && incoming_[i - 1].at > atMs)
        --i;
    incoming_.insert(i, {bytes, atMs});
}

void FakeSerialPort::failOpenOf(int number, const QString& description) {
    failing_.insert(number, description);
}

void FakeSerialPort::hangUp(const QString& description) {
    if (!open_)
        return;
    open_ = false;
    incoming_.clear();
    emit linkLost(description);
}

QByteArray FakeSerialPort::written() const {
    QByteArray all;
    for (const auto& w : writes)
        all += w.bytes;
    return all;
}

QList<QByteArray> FakeSerialPort::writtenCommands() const {
    QList<QByteArray> commands;
    for (const auto& w : writes)
        commands << w.bytes;
    return commands;
}

bool FakeSerialPort::setCommPort(int number) {
    if (number < 1 || number > 16)
        return false;
    commPort_ = number;
    return true;
}

bool FakeSerialPort::open(QString& errorDescription) {
    if (failing_.contains(commPort_)) {
        errorDescription = failing_.value(commPort_);
        return false;
    }
    open_ = true;
    ++opens;
    return true;
}

void FakeSerialPort::close() {
    if (open_) {
        open_ = false;
        // A closed port hears nothing: what was on its way is lost.
        incoming_.clear();
    }
}

void FakeSerialPort::setRtsEnable(bool enabled) {
    rts_ = enabled;
}

void FakeSerialPort::discardInput() {
    const qint64 now = clock_.now();
    incoming_.removeIf([now](const Chunk& c) { return c.at <= now; });
}

QByteArray FakeSerialPort::readInput() {
    QByteArray out;
    if (!open_)
        return out;
    ++reads;
    const qint64 now = clock_.now();
    while (!incoming_.isEmpty() && incoming_.first().at <= now)
        out += incoming_.takeFirst().bytes;
    return out;
}

void FakeSerialPort::writeOutput(const QByteArray& bytes) {
    if (!open_)
        return;
    writes.append({bytes, clock_.now(), rts_});
    if (onWrite)
        onWrite(bytes);
}

qsizetype FakeSerialPort::pendingBytes() const {
    qsizetype n = 0;
    for (const auto& c : incoming_)
        n += c.bytes.size();
    return n;
}

} // namespace tavixat::test
