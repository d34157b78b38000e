#pragma once

#include <QByteArray>
#include <QString>

namespace tavixat::sim {

// The device's end of a pseudo-terminal. The other end, slavePath(), is what the tool opens as
// its serial port. A descriptor of that end stays open here too, so the tool may close and
// reopen the port without the line hanging up under the device.
class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // Raw mode, no echo, non-blocking on the device's side. False with error set on failure.
    bool open(QString& error);
    // Hangs up: the tool sees the line gone.
    void close();

    int deviceFd() const { return master_; }
    QString slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

} // namespace tavixat::sim
