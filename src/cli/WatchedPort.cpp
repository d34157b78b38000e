#include "WatchedPort.h"

namespace tavixat {

WatchedPort::WatchedPort(SerialPort& port) : port_(port) {
    connect(&port_, &SerialPort::linkLost, this, &SerialPort::linkLost);
}

void WatchedPort::writeOutput(const QByteArray& bytes) {
    // One byte per character on the line, so Latin-1 gives back the characters sent.
    lastCommand_ = QString::fromLatin1(bytes);
    port_.writeOutput(bytes);
}

} // namespace tavixat
