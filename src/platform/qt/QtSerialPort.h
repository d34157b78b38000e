#pragma once

#include "LineSettings.h"
#include "SerialPort.h"

#include <QSerialPort>
#include <QStringList>
#include <chrono>

namespace tavixat {

// What the system tells about a device that would not open, gathered right after the failure.
struct DeviceFacts {
    enum class Kind { Missing, SerialPort, NotSerialPort };
    Kind kind = Kind::SerialPort;
    bool attached = true;   // something is there now (for /dev/ttyS<n>: a real UART)
    bool userMayUse = true; // the file's permissions let this user read and write it
    QString user;           // the real user's login name
    QString owner;          // of the device file
    QString group;
    uint mode = 0; // its permission bits, 0660 say
    // What is attached now: "COMn: <device>" lines, then adapters that have no number.
    QStringList attachedPorts;
};

DeviceFacts gatherDeviceFacts(const QString& path);
// The second line of the open failure message: what went wrong and what to do about it.
QString describeOpenFailure(const QString& path, QSerialPort::SerialPortError error,
                            const QString& reason, const DeviceFacts& facts);

// The serial port over QSerialPort, polled: input is pulled from the system when it is read, so
// the event loop need not run in between, and output is pushed out when it is written.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    bool setCommPort(int number) override;
    int commPort() const override { return commPort_; }
    void setSettings(const QString& settings) override;
    void setInputLen(int length) override;

    bool open(QString& errorDescription) override;
    void close() override;
    bool isOpen() const override;

    void setRtsEnable(bool enabled) override;
    bool rtsEnable() const override { return rts_; }

    void discardInput() override;
    QByteArray readInput() override;
    bool waitForInput(int milliseconds) override;
    void writeOutput(const QByteArray& bytes) override;

    // Opens this device instead of the one "COMn" maps to; empty: the mapping again.
    void setDevicePath(const QString& path) { givenPath_ = path; }
    QString portLabel() const override;

    QString devicePath() const override { return devicePath_; }

private:
    // Longest time a write may take to reach the system; a stuck line must not hang the window.
    static constexpr std::chrono::milliseconds kWriteTimeout{2000};
    // Bounds one read, so a device that never stops talking cannot keep the reader in its loop.
    static constexpr int kMaxPullPasses = 64;

    // Takes the lock on the device itself, which every name of it shares and which holds for root
    // too; false when another open holds it. Qt's lock file is per name only.
    bool lockDevice();
    void unlockDevice();
    void configurePort();
    void applyRts();
    void pullInput();
    void pushOutput();
    void closeQuietly();
    void handleError(QSerialPort::SerialPortError error);
    void finishLinkLoss(quint64 openSerial, const QString& description);

    QSerialPort port_{this};
    QString devicePath_;
    QString givenPath_;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    std::optional<LineSettings> line_ = LineSettings{};
    int commPort_ = 1;
    int inputLen_ = 0;
    bool rts_ = false;
    bool linkLost_ = false;
    bool closing_ = false;
    // Counts opens and closes, so a loss reported late belongs to the open it happened in.
    quint64 openSerial_ = 0;
    int lockFd_ = -1; // a descriptor of the device, locked while the port is open
};

} // namespace tavixat
