#pragma once

#include "CommandSplitter.h"
#include "DeviceFaults.h"
#include "DeviceSettings.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace tavixat::sim {

// Bytes the device sends, readable by the tool from atMs on.
struct OutputChunk {
    QByteArray bytes;
    qint64 atMs = 0;
};

// One command as the device got it, for logs and tests.
struct HeardCommand {
    QByteArray text; // with its brackets, as it came over the line
    qint64 atMs = 0;
    bool heard = false; // false when a fault kept the device from taking it in
    QByteArray reply;   // every byte sent in answer, empty when none
};

struct ModelOutput {
    QList<HeardCommand> commands;
    QList<OutputChunk> chunks;
};

// The TavixAT device: takes the bytes the tool sends and tells which bytes it sends back, and
// when. It has no clock of its own: every call says what time it is (milliseconds since power
// on), so the same model runs on a test's virtual clock and in real time.
class DeviceModel {
public:
    explicit DeviceModel(DeviceSettings settings = {}, DeviceFaults faults = {});

    // Bytes from the tool arriving at nowMs. rts is the state of the RTS line, or nullopt on a
    // line that carries none. Replies never overtake each other: one starts after the last.
    ModelOutput receive(const QByteArray& bytes, qint64 nowMs,
                        std::optional<bool> rts = std::nullopt);

    // When the line goes dead, as soon as that is known; the model hears nothing from then on.
    std::optional<qint64> hangUpTime() const { return hangUpAt_; }
    bool isLineUp(qint64 nowMs) const { return !hangUpAt_ || nowMs < *hangUpAt_; }

    const DeviceSettings& settings() const { return settings_; }
    const DeviceFaults& faults() const { return faults_; }

private:
    HeardCommand handleCommand(const QByteArray& command, qint64 nowMs, std::optional<bool> rts,
                               QList<OutputChunk>& chunks);
    void hangUp(qint64 nowMs);
    bool hears(qint64 nowMs, std::optional<bool> rts) const;
    // The bytes of the reply, in pieces that may go out at different times.
    QList<QByteArray> reply(const QByteArray& command);
    // The fields of the reply, empty when there is none; nullopt for a command it does not know.
    std::optional<QList<QByteArray>> act(const QByteArray& command);
    std::optional<QList<QByteArray>> storeValue(const QByteArray& keyword, const QByteArray& value);
    std::optional<QList<QByteArray>> applyFixedSetting(const QByteArray& keyword);
    QList<QByteArray> queryReply() const;
    QByteArray acknowledgement(const char* word) const;
    QList<QByteArray> frame(const QList<QByteArray>& fields) const;
    QByteArray runawayField() const;
    QList<OutputChunk> scheduleReply(const QList<QByteArray>& pieces, qint64 nowMs);
    // The part of these bytes that goes out before the line dies of its output limit.
    QByteArray withinOutputLimit(const QByteArray& bytes) const;
    bool isOutputLimitReached() const;
    bool isSilentAt(qint64 atMs) const;

    DeviceSettings settings_;
    DeviceFaults faults_;
    CommandSplitter splitter_;
    int commands_ = 0;
    int pings_ = 0;
    qint64 lineFreeAt_ = 0;
    qint64 bytesOut_ = 0;
    std::optional<qint64> hangUpAt_;
};

} // namespace tavixat::sim
