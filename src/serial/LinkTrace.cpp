#include "LinkTrace.h"

#include "LineText.h"
#include "Platform.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavixat {

namespace {

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

// Messages may hold line ends and any character: escaped, they keep to their one line.
QString printableText(const QString& text) {
    return printableBytes(text.toUtf8());
}

} // namespace

LinkTrace::LinkTrace(const Platform& platform, QIODevice& out)
    : platform_(platform), out_(out), openedAt_(platform.now()) {}

bool LinkTrace::openFile(QFile& file, const QString& path, QString& error) {
    // Created with the owner's bits alone; a file already there loses the others before a byte
    // of this run reaches it (a terminal or a pipe, such as /dev/stderr, is left as it is).
    // Opened without waiting: a FIFO that nobody reads is refused at once, not waited for.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    const bool opened = fd >= 0 && ::fstat(fd, &st) == 0 &&
                        (!S_ISREG(st.st_mode) || ::fchmod(fd, 0600) == 0) &&
                        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
    if (!opened) {
        const bool fifoUnread = errno == ENXIO;
        error = QStringLiteral("Cannot write the trace %1: %2.")
                    .arg(path, fifoUnread ? QStringLiteral("it is a pipe that nobody reads")
                                          : QString::fromLocal8Bit(strerror(errno)));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    // Unbuffered: each line goes to the system as it is written.
    path_ = path;
    return file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle);
}

void LinkTrace::portOpened(const QString& port, const QString& device, const QString& settings,
                           bool rts) {
    openedAt_ = platform_.now();
    const QString where = port == device ? device : port + u' ' + device;
    writeLine(QStringLiteral("open %1 %2 RTS %3").arg(where, settings, onOff(rts)));
}

void LinkTrace::portNotOpened(const QString& description) {
    openedAt_ = platform_.now();
    writeLine(QStringLiteral("open failed: ") + printableText(description));
}

void LinkTrace::portClosed() {
    writeLine(QStringLiteral("close"));
}

void LinkTrace::linkLost(const QString& description) {
    writeLine(QStringLiteral("link lost: ") + printableText(description));
}

void LinkTrace::rtsChanged(bool asserted) {
    writeLine(QStringLiteral("RTS ") + onOff(asserted));
}

void LinkTrace::bytesSent(const QByteArray& bytes) {
    writeLine(QStringLiteral("-> ") + printableBytes(bytes));
}

void LinkTrace::bytesReceived(const QByteArray& bytes) {
    writeLine(QStringLiteral("<- ") + printableBytes(bytes));
}

void LinkTrace::replyMissed(const QString& expected) {
    writeLine(QStringLiteral("no reply: waited for [%1]").arg(printableText(expected)));
}

void LinkTrace::writeLine(const QString& event) {
    if (!writeError_.isEmpty())
        return; // said once; the lines after a lost one would mislead
    const qint64 ms = platform_.now() - openedAt_;
    const QByteArray line = QStringLiteral("%1 %2\n").arg(ms, 7).arg(event).toUtf8();
    if (out_.write(line) == line.size())
        return;
    writeError_ =
        QStringLiteral("The trace %1 could not be written: %2.").arg(path_, out_.errorString());
    if (onWriteFailed)
        onWriteFailed(writeError_);
}

} // namespace tavixat
