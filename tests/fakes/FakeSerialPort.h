#pragma once

#include "FakePlatform.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <functional>

namespace tavixat::test {

struct WrittenBytes {
    QByteArray bytes;
    qint64 at;
    bool rts;
};

// A serial port on the virtual clock. Tests feed device output that becomes readable at a
// chosen virtual time; every write is recorded with its time and the RTS state of that moment.
// A device model can be attached through onWrite.
class FakeSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit FakeSerialPort(const VirtualClock& clock) : clock_(clock) {}

    // Test controls.
    void feed(const QByteArray& bytes, qint64 atMs);
    void feedNow(const QByteArray& bytes) { feed(bytes, clock_.now()); }
    void failOpenOf(int number, const QString& description);
    // The far end goes away: the port reports the loss once and closes.
    void hangUp(const QString& description = QStringLiteral("The device was disconnected."));

    QList<WrittenBytes> writes;
    // Every write joined, as the device would see the stream.
    QByteArray written() const;
    QList<QByteArray> writtenCommands() const;
    int opens = 0;
    int reads = 0; // calls of readInput while open
    QString settings;
    int inputLen = -1;
    // Called for each write, after it is recorded: a device model answers through feed().
    std::function<void(const QByteArray&)> onWrite;

    // SerialPort
    bool setCommPort(int number) override;
    int commPort() const override { return commPort_; }
    void setSettings(const QString& s) override { settings = s; }
    void setInputLen(int length) override { inputLen = length; }
    bool open(QString& errorDescription) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void setRtsEnable(bool enabled) override;
    bool rtsEnable() const override { return rts_; }
    void discardInput() override;
    QByteArray readInput() override;
    void writeOutput(const QByteArray& bytes) override;

    // Bytes fed but not yet readable, or readable and not yet read.
    qsizetype pendingBytes() const;

private:
    struct Chunk {
        QByteArray bytes;
        qint64 at;
    };
    const VirtualClock& clock_;
    QList<Chunk> incoming_;
    QMap<int, QString> failing_;
    int commPort_ = 1;
    bool open_ = false;
    bool rts_ = false;
};

} // namespace tavixat::test
