#pragma once

#include "Platform.h"
#include "SerialPort.h"

#include <utility>

namespace tavixat::fuzz {

// A port whose input is whatever the fuzzer delivered since the last read.
class MemoryPort final : public SerialPort {
public:
    void deliver(const QByteArray& bytes) { pending_ += bytes; }

    bool setCommPort(int number) override {
        number_ = number;
        return true;
    }
    int commPort() const override { return number_; }
    void setSettings(const QString&) override {}
    void setInputLen(int) override {}
    bool open(QString&) override {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setRtsEnable(bool enabled) override { rts_ = enabled; }
    bool rtsEnable() const override { return rts_; }
    void discardInput() override { pending_.clear(); }
    QByteArray readInput() override { return std::exchange(pending_, {}); }
    void writeOutput(const QByteArray&) override {}

private:
    QByteArray pending_;
    int number_ = 1;
    bool open_ = false;
    bool rts_ = false;
};

// No window, no store, no clock: the reader needs none of them to cut fields.
class QuietPlatform final : public Platform {
public:
    void showMessage(const QString&, MessageIcon) override {}
    QString readSetting(const QString&, const QString&, const QString& defaultValue) override {
        return defaultValue;
    }
    bool saveSetting(const QString&, const QString&, const QString&) override { return true; }
    void sleep(int) override {}
    void processEvents() override {}
    void setBusyPointer(bool) override {}
};

} // namespace tavixat::fuzz
