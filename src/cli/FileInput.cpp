#include "FileInput.h"

#include "StopSignals.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavixat {

namespace {

QString systemError(const QString& path) {
    return QStringLiteral("cannot read %1: %2.").arg(path, QString::fromLocal8Bit(strerror(errno)));
}

// An interrupted call is tried again unless a stop signal interrupted it.
bool interruptedOnly() {
    if (errno != EINTR)
        return false;
    stopsignals::endIfStoppedBeforeRun();
    return true;
}

} // namespace

std::optional<QByteArray> readFileUpTo(const QString& path, qint64 limit, QString& error) {
    stopsignals::endIfStoppedBeforeRun();
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && interruptedOnly());
    if (fd < 0) {
        error = systemError(path);
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[4096];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && interruptedOnly())
            continue;
        if (got < 0) {
            error = systemError(path);
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    ::close(fd);
    return bytes.left(limit + 1);
}

} // namespace tavixat
