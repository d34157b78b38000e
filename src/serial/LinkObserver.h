#pragma once

#include <QByteArray>
#include <QString>

namespace tavixat {

// Told by modComm of everything that happens on the line, as it happens: what a trace of the
// line is made from.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;

    // `port` as messages name it, `device` the file opened, `settings` as "9600,N,8,1".
    virtual void portOpened(const QString& port, const QString& device, const QString& settings,
                            bool rts) = 0;
    virtual void portNotOpened(const QString& description) = 0;
    virtual void portClosed() = 0;
    // The far end went away; the port closed itself.
    virtual void linkLost(const QString& description) = 0;
    virtual void rtsChanged(bool asserted) = 0;
    virtual void bytesSent(const QByteArray& bytes) = 0;
    virtual void bytesReceived(const QByteArray& bytes) = 0;
    // A wait for `expected` ended without it.
    virtual void replyMissed(const QString& expected) = 0;
};

} // namespace tavixat
