#include "LinkTrace.h"

#include "LineText.h"
#include "Platform.h"

#include <QFile>
#include <QFileInfo>

namespace tavixat {

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

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
    file.setFileName(path);
    // Created with the owner's bits alone; a file already there loses the others before a byte
    // of this run reaches it (a terminal or a pipe, such as /dev/stderr, is left as it is).
    // Unbuffered: each line goes to the system as it is written.
    const bool opened =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered, kOwnerOnly) &&
        (!QFileInfo(file).isFile() || file.setPermissions(kOwnerOnly));
    if (!opened) {
        error = QStringLiteral("Cannot write the trace %1: %2.").arg(path, file.errorString());
        file.close();
    }
    return opened;
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
    const qint64 ms = platform_.now() - openedAt_;
    out_.write(QStringLiteral("%1 %2\n").arg(ms, 7).arg(event).toUtf8());
}

} // namespace tavixat
