#pragma once

#include "FakePlatform.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QList>
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
    explicit FakeSerialPort(VirtualClock& clock) : clock_(clock) {}

    void feed(const QByteArray& bytes, qint64 atMs) {
        qsizetype i = incoming_.size();
        while (i > 0 && incoming_[i - 1].first > atMs)
            --i;
        incoming_.insert(i, {atMs, bytes});
    }
    void feedNow(const QByteArray& bytes) { feed(bytes, clock_.now()); }
    void failOpenOf(int number, const QString& description) { failing_[number] = description; }
    // The far end goes away: the port reports the loss once and closes.
    void hangUp(const QString& description = QStringLiteral("The device was disconnected.")) {
        if (open_) {
            close();
            emit linkLost(description);
        }
    }

    QList<WrittenBytes> writes;
    // Every write joined, as the device would see the stream.
    QByteArray written() const {
        QByteArray all;
        for (const auto& w : writes)
            all += w.bytes;
        return all;
    }
    QString settings;
    int inputLen = -1;
    int opens = 0; // that succeeded
    // Called for each write, after it is recorded: a device model answers through feed().
    std::function<void(const QByteArray&)> onWrite;

    bool setCommPort(int number) override {
        if (number >= 1 && number <= 16)
            commPort_ = number;
        return commPort_ == number;
    }
    int commPort() const override { return commPort_; }
    void setSettings(const QString& s) override { settings = s; }
    void setInputLen(int length) override { inputLen = length; }
    bool open(QString& errorDescription) override {
        if (failing_.contains(commPort_)) {
            errorDescription = failing_.value(commPort_);
            return false;
        }
        ++opens;
        return open_ = true;
    }
    // A closed port hears nothing: what was on its way is lost.
    void close() override {
        if (open_)
            incoming_.clear();
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void setRtsEnable(bool enabled) override { rts_ = enabled; }
    bool rtsEnable() const override { return rts_; }
    void discardInput() override {
        incoming_.removeIf([this](const auto& c) { return c.first <= clock_.now(); });
    }
    QByteArray readInput() override {
        QByteArray out;
        while (open_ && !incoming_.isEmpty() && incoming_.first().first <= clock_.now())
            out += incoming_.takeFirst().second;
        return out;
    }
    // Time passes until the next output fed is due, or the wait is over.
    bool waitForInput(int milliseconds) override {
        const qint64 until = clock_.now() + std::max(milliseconds, 0);
        const qint64 next = open_ && !incoming_.isEmpty() ? incoming_.first().first : until;
        clock_.advance(std::max(std::min(next, until) - clock_.now(), qint64(0)));
        return open_ && !incoming_.isEmpty() && incoming_.first().first <= clock_.now();
    }
    void writeOutput(const QByteArray& bytes) override {
        if (open_)
            writes.append({bytes, clock_.now(), rts_});
        if (open_ && onWrite)
            onWrite(bytes);
    }

private:
    VirtualClock& clock_;
    QList<std::pair<qint64, QByteArray>> incoming_; // by time, then by feeding
    QMap<int, QString> failing_;
    int commPort_ = 1;
    bool open_ = false;
    bool rts_ = false;
};

} // namespace tavixat::test
