#pragma once

#include "SerialPort.h"

#include <QByteArray>
#include <QList>

namespace tavixat::bench {

// A port whose device output is all in memory: each read hands over the next chunk, as a real
// port hands over whatever arrived since the last poll. Writes go nowhere.
class MemoryPort : public SerialPort {
    Q_OBJECT
public:
    MemoryPort(QByteArray output, QList<qsizetype> chunkSizes, QObject* parent = nullptr);

    bool setCommPort(int number) override;
    int commPort() const override { return commPort_; }
    void setSettings(const QString&) override {}
    void setInputLen(int) override {}

    bool open(QString& errorDescription) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

    void setRtsEnable(bool enabled) override { rts_ = enabled; }
    bool rtsEnable() const override { return rts_; }

    void discardInput() override;
    QByteArray readInput() override;
    bool waitForInput(int) override { return !isDrained(); }
    void writeOutput(const QByteArray&) override {}

    // Every chunk has been handed over.
    bool isDrained() const { return position_ == output_.size(); }

private:
    QByteArray output_;
    QList<qsizetype> chunkSizes_;
    qsizetype position_ = 0;
    qsizetype nextChunk_ = 0;
    int commPort_ = 1;
    bool open_ = false;
    bool rts_ = false;
};

} // namespace tavixat::bench
