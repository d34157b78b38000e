#pragma once

#include "LinkObserver.h"

#include <QString>
#include <functional>

class QFile;
class QIODevice;

namespace tavixat {

class Platform;

// A trace of the line: one line per event, the milliseconds since the port opened on the
// platform's clock first, bytes escaped. Each line is written out before the program goes on,
// so the trace of a program that was killed is whole up to that moment.
class LinkTrace : public LinkObserver {
public:
    LinkTrace(const Platform& platform, QIODevice& out);

    // Creates the file at `path`, or empties the one there, readable by its owner only: a trace
    // holds PIN codes. False, with the reason in `error`, when it cannot.
    // The trace's failures name the file.
    bool openFile(QFile& file, const QString& path, QString& error);

    // A line that could not be written (a full disk, /dev/full): the trace stops there, and the
    // failure is kept to be said once the work at hand is done. Empty while all went well.
    QString writeError() const { return writeError_; }
    // Called once, at the first line that could not be written.
    std::function<void(const QString& error)> onWriteFailed;

    void portOpened(const QString& port, const QString& device, const QString& settings,
                    bool rts) override;
    void portNotOpened(const QString& description) override;
    void portClosed() override;
    void linkLost(const QString& description) override;
    void rtsChanged(bool asserted) override;
    void bytesSent(const QByteArray& bytes) override;
    void bytesReceived(const QByteArray& bytes) override;
    void replyMissed(const QString& expected) override;

private:
    void writeLine(const QString& event);

    const Platform& platform_;
    QIODevice& out_;
    qint64 openedAt_;
    QString writeError_;
    QString path_;
};

} // namespace tavixat
