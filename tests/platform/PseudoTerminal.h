#pragma once

#include <QByteArray>
#include <QString>

namespace tavixat::test {

// The far end of a serial line: the master side of a pseudo-terminal, in raw mode so bytes pass
// unchanged. The port under test opens slavePath().
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // A device path that does not exist. Unique to this process: QSerialPort takes a lock file
    // named after the device before it opens, and tests run side by side.
    static QString missingDevicePath();

    bool isValid() const { return master_ >= 0; }
    const QString& slavePath() const { return slavePath_; }

    bool send(const QByteArray& bytes);
    // Everything that arrives until the line has been quiet for quietMs (at most a second).
    QByteArray receive(int quietMs = 50);
    // Closes the master: the port sees the line hang up.
    void hangUp();

private:
    int master_ = -1;
    QString slavePath_;
};

} // namespace tavixat::test
