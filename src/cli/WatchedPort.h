#pragma once

#include "SerialPort.h"

namespace tavixat {

// A port that passes everything on to another and remembers the last command written and what
// came back after it, so that a save that stopped can be reported by the setting it stopped at
// and whether the module refused it or said nothing.
class WatchedPort : public SerialPort {
public:
    explicit WatchedPort(SerialPort& port);

    QString lastCommand() const { return lastCommand_; }
    // The module answered the last command with "[ERROR]".
    bool lastCommandRefused() const { return answer_.contains("[ERROR]"); }

    bool setCommPort(int number) override { return port_.setCommPort(number); }
    int commPort() const override { return port_.commPort(); }
    QString portLabel() const override { return port_.portLabel(); }
    QString devicePath() const override { return port_.devicePath(); }
    void setSettings(const QString& settings) override { port_.setSettings(settings); }
    void setInputLen(int length) override { port_.setInputLen(length); }
    bool open(QString& errorDescription) override { return port_.open(errorDescription); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void setRtsEnable(bool enabled) override { port_.setRtsEnable(enabled); }
    bool rtsEnable() const override { return port_.rtsEnable(); }
    void discardInput() override { port_.discardInput(); }
    QByteArray readInput() override;
    bool waitForInput(int milliseconds) override { return port_.waitForInput(milliseconds); }
    void writeOutput(const QByteArray& bytes) override;

private:
    SerialPort& port_;
    QString lastCommand_;
    QByteArray answer_; // read since the last command was written
};

} // namespace tavixat
