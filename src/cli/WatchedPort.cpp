#include "WatchedPort.h"

namespace tavixat {

WatchedPort::WatchedPort(SerialPort& port) : port_(port) {
    connect(&port_, &SerialPort::linkLost, this, &SerialPort::linkLost);
}

void WatchedPort::writeOutput(const QByteArray& bytes) {
    // One byte per character on the line, so Latin-1 gives back the characters sent.
    lastCommand_ = QString::fromLatin1(bytes);
    answer_.clear();
    port_.writeOutput(bytes);
}

QByteArray WatchedPort::readInput() {
    const QByteArray bytes = port_.readInput();
    answer_ += bytes;
    return bytes;
}

} // namespace tavixat
