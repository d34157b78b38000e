#pragma once

#include "CommandSplitter.h"
#include "DeviceModel.h"

#include <QList>
#include <QString>
#include <optional>

namespace tavixat::sim {

// One place of a jig's list: a module with this own address is seated for presentMs, then the
// jig stays empty for absentMs before the next one is seated.
struct JigSlot {
    QString address; // twelve lower-case hexadecimal digits; "-" for no module
    qint64 presentMs = 0;
    qint64 absentMs = 0;
};

// "ADDR:PRESENT_MS:ABSENT_MS,..." as places; nullopt, with error set, for a malformed list.
std::optional<QList<JigSlot>> parseJigSlots(const QString& text, QString& error);

// The line's far end: one module for ever, or a jig whose modules are seated one after another
// and which is empty after the last. Each module is powered on when it is seated: its faults
// count from then, and a module that hangs up goes silent until it is taken out, since the
// adapter and its line stay.
class Jig {
public:
    explicit Jig(DeviceSettings settings, DeviceFaults faults = {}, QList<JigSlot> places = {});

    ModelOutput receive(const QByteArray& bytes, qint64 nowMs,
                        std::optional<bool> rts = std::nullopt);

    // When the line itself goes dead: only a lone module hangs it up.
    std::optional<qint64> hangUpTime() const;
    bool hasSlots() const { return !places_.isEmpty(); }
    // The own address of the module seated at nowMs; empty when the jig is empty.
    QString moduleAt(qint64 nowMs) const;
    // The settings of the module on the line at nowMs; nothing when the jig is empty.
    std::optional<DeviceSettings> settingsAt(qint64 nowMs) const;

private:
    struct Seat {
        qsizetype index = 0;
        qint64 fromMs = 0;
        qint64 untilMs = 0;
    };
    std::optional<Seat> seatAt(qint64 nowMs) const;
    HeardCommand handOver(const QByteArray& command, const Seat& seat, qint64 nowMs,
                          std::optional<bool> rts, QList<OutputChunk>& chunks);

    QList<JigSlot> places_;
    QList<DeviceModel> models_;
    CommandSplitter splitter_;
};

} // namespace tavixat::sim
