#pragma once

#include <QString>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

// A terminal a program's output can be sent to (its path()), whose far end reads what the
// program showed on it; `columns` wide, or as wide as a new pseudo-terminal is (0).
struct PseudoTerminal {
    int far = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    explicit PseudoTerminal(unsigned short columns = 0) {
        ::grantpt(far), ::unlockpt(far);
        const winsize size{1, columns, 0, 0};
        if (columns > 0)
            ::ioctl(far, TIOCSWINSZ, &size);
    }
    ~PseudoTerminal() { ::close(far); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    QString path() const { return QString::fromLocal8Bit(::ptsname(far)); }
    QString take() const {
        char buffer[4096];
        const ssize_t n = ::read(far, buffer, sizeof buffer);
        return n > 0 ? QString::fromUtf8(buffer, n) : QString();
    }
};
