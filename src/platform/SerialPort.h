#pragma once

#include "StoredPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace tavixat {

// The serial port as the serial link uses it: a numbered port with line settings, polled for
// input. Implementations: the Qt port (src/platform/qt) and the tests' fake.
class SerialPort : public QObject {
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr) : QObject(parent) {}
    ~SerialPort() override = default;

    // Number of the port to use (1 is COM1). Written only while closed. Returns false when the
    // implementation rejects the number (outside 1 to 16); the last accepted number is kept.
    virtual bool setCommPort(int number) = 0;
    virtual int commPort() const = 0;
    // How messages name the port: "COM3", or the device path when one was given instead.
    virtual QString portLabel() const { return portKey(commPort()); }
    // The device file the last open was for; a port without files names itself by its label.
    virtual QString devicePath() const { return portLabel(); }
    // Line settings as "baud,parity,data,stop", for example "9600,N,8,1".
    virtual void setSettings(const QString& settings) = 0;
    // Characters one read returns; 0 means all that are waiting.
    virtual void setInputLen(int length) = 0;

    // Opens with the current number and settings. On failure the port stays closed and
    // errorDescription says why (naming the device path).
    virtual bool open(QString& errorDescription) = 0;
    // Closes; bytes already written still reach the device.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // RTS line. Set while closed, the value takes effect when the port opens.
    virtual void setRtsEnable(bool enabled) = 0;
    virtual bool rtsEnable() const = 0;

    // Discards every byte received and not yet read.
    virtual void discardInput() = 0;
    // Every byte received and not yet read (empty when none); removes them from the port.
    virtual QByteArray readInput() = 0;
    // Blocks until input is waiting to be read or the time has passed; true when input is
    // waiting. A closed port waits out the time.
    virtual bool waitForInput(int milliseconds) = 0;
    // Sends the bytes in order, pushed out at once.
    virtual void writeOutput(const QByteArray& bytes) = 0;

signals:
    // The link is gone while open (the far end hung up, the adapter was unplugged). Emitted once
    // per open; the port closes itself right after.
    void linkLost(const QString& description);
};

} // namespace tavixat
