#pragma once

#include <QByteArray>
#include <QSet>
#include <optional>

namespace tavixat::sim {

// Ways in which the device can misbehave. The defaults describe a healthy device. Times are
// milliseconds since the device was powered on (the model's time 0).
struct DeviceFaults {
    // Hears nothing, answers nothing.
    bool silent = false;
    // Pings before the n-th one go unanswered (a device still starting up).
    int answerPingFrom = 1;
    // This ping (counted from 1) goes unanswered, as if its reply were lost on the line.
    std::optional<int> lostPing;
    // Hears commands only while RTS is in this state. Lines without RTS ignore this.
    std::optional<bool> answerOnlyWithRts;
    // "<VERS>" gets no field at all.
    bool omitVersion = false;
    // From a command's arrival to the first byte of its reply.
    int latencyMs = 0;
    // More time on top of that before the reply to "<VERS>", and to "<QUERY>" (a slow module).
    int versionDelayMs = 0;
    int queryDelayMs = 0;
    // Commands, by keyword ("NAME", "SBIT", "MASTER"), answered with the field "ERROR" instead
    // of their acknowledgement; the device takes nothing from them.
    QSet<QByteArray> refusedKeywords;
    // Commands, by keyword, acknowledged as usual while the device keeps nothing from them.
    QSet<QByteArray> forgottenKeywords;
    // "ok" and "ready" instead of "OK" and "READY".
    bool lowerCaseAcks = false;
    // A query is answered with only the first k fields.
    int queryFieldLimit = 12;
    // Query fields go out one every m ms instead of all at once.
    int fieldIntervalMs = 0;
    // Bytes sent between two fields of a reply, outside the brackets.
    QByteArray noise;
    // Each byte of a reply goes out this many ms after the one before it.
    int byteIntervalMs = 0;
    // "<QUERY>" is answered by "[" and this many bytes, with no "]" ever: a field that never
    // ends. 0: the normal answer.
    int runawayFieldBytes = 0;
    // Goes silent once this many commands have arrived, or from this time on.
    std::optional<int> stopAfterCommands;
    std::optional<qint64> stopAfterMs;
    // The line goes dead (what was on its way is lost): when a command arrives after n were
    // answered, or at this time.
    std::optional<int> hangUpAfterCommands;
    std::optional<qint64> hangUpAfterMs;
    // The line goes dead right after this many bytes of replies have gone out, in the middle of
    // a reply if it falls there.
    std::optional<int> hangUpAfterBytes;
};

} // namespace tavixat::sim
