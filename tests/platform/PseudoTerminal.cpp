#include "PseudoTerminal.h"

#include <QDeadlineTimer>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tavixat::test {

PseudoTerminal::PseudoTerminal() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return;
    termios raw{};
    const char* name = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || (name = ::ptsname(fd)) == nullptr ||
        ::tcgetattr(fd, &raw) != 0) {
        ::close(fd);
        return;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    master_ = fd;
    slavePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal() {
    hangUp();
}

QString PseudoTerminal::missingDevicePath() {
    return QStringLiteral("/nonexistent/ttyTAVIX%1").arg(::getpid());
}

bool PseudoTerminal::send(const QByteArray& bytes) {
    return isValid() && ::write(master_, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray PseudoTerminal::receive(int quietMs) {
    QByteArray received;
    const QDeadlineTimer deadline(1000);
    pollfd p{master_, POLLIN, 0};
    while (isValid() && !deadline.hasExpired() && ::poll(&p, 1, quietMs) > 0) {
        char chunk[256];
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0)
            break; // the port closed its side
        received.append(chunk, n);
    }
    return received;
}

void PseudoTerminal::hangUp() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

} // namespace tavixat::test
