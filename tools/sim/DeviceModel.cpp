#include "DeviceModel.h"

#include <algorithm>

namespace tavixat::sim {

namespace {

using SettingField = QString DeviceSettings::*;

struct ValueCommand {
    const char* keyword;
    SettingField field;
};

constexpr ValueCommand kValueCommands[] = {
    {"NAME", &DeviceSettings::name},     {"PKEY", &DeviceSettings::pinCode},
    {"BAUD", &DeviceSettings::baudRate}, {"SBIT", &DeviceSettings::stopBits},
    {"PRTY", &DeviceSettings::parity},   {"ADDR", &DeviceSettings::remoteAddress},
};

// Fixed commands that store their own keyword in one setting.
struct FixedCommand {
    const char* keyword;
    SettingField field;
};

constexpr FixedCommand kFixedCommands[] = {
    {"MASTER", &DeviceSettings::role},
    {"SLAVE", &DeviceSettings::role},
    {"DISCOVERABLE", &DeviceSettings::visibility},
    {"INVISIBLE", &DeviceSettings::visibility},
    {"PIN_ON", &DeviceSettings::pinMode},
    {"PIN_OFF", &DeviceSettings::pinMode},
};

constexpr const char* kReplyEnd = "\r\n";

} // namespace

DeviceModel::DeviceModel(DeviceSettings settings, DeviceFaults faults)
    : settings_(std::move(settings)), faults_(std::move(faults)) {
    hangUpAt_ = faults_.hangUpAfterMs;
}

ModelOutput DeviceModel::receive(const QByteArray& bytes, qint64 nowMs, std::optional<bool> rts) {
    ModelOutput out;
    if (!isLineUp(nowMs))
        return out;
    for (const QByteArray& command : splitter_.push(bytes)) {
        if (faults_.hangUpAfterCommands && commands_ >= *faults_.hangUpAfterCommands) {
            hangUp(nowMs);
            break;
        }
        out.commands << handleCommand(command, nowMs, rts, out.chunks);
    }
    return out;
}

HeardCommand DeviceModel::handleCommand(const QByteArray& command, qint64 nowMs,
                                        std::optional<bool> rts, QList<OutputChunk>& chunks) {
    ++commands_;
    HeardCommand heard{'<' + command + '>', nowMs, hears(nowMs, rts), {}};
    if (heard.heard) {
        for (const OutputChunk& chunk :
             scheduleReply(act(command).value_or(QList<QByteArray>{}), nowMs)) {
            heard.reply += chunk.bytes;
            chunks << chunk;
        }
    }
    return heard;
}

void DeviceModel::hangUp(qint64 nowMs) {
    hangUpAt_ = hangUpAt_ ? std::min(*hangUpAt_, nowMs) : nowMs;
}

bool DeviceModel::hears(qint64 nowMs, std::optional<bool> rts) const {
    if (faults_.silent)
        return false;
    if (rts && faults_.answerOnlyWithRts && *rts != *faults_.answerOnlyWithRts)
        return false;
    if (faults_.stopAfterCommands && commands_ > *faults_.stopAfterCommands)
        return false;
    return !isSilentAt(nowMs);
}

bool DeviceModel::isSilentAt(qint64 atMs) const {
    return (faults_.stopAfterMs && atMs >= *faults_.stopAfterMs) || !isLineUp(atMs);
}

std::optional<QList<QByteArray>> DeviceModel::act(const QByteArray& command) {
    const qsizetype equals = command.indexOf('=');
    if (equals >= 0)
        return storeValue(command.left(equals), command.mid(equals + 1));
    if (command == "PING") {
        ++pings_;
        if (pings_ < faults_.answerPingFrom)
            return QList<QByteArray>{};
        return QList<QByteArray>{acknowledgement("READY")};
    }
    if (command == "VERS") {
        if (faults_.omitVersion)
            return QList<QByteArray>{};
        return QList<QByteArray>{settings_.firmware.toLatin1()};
    }
    if (command == "QUERY")
        return queryReply();
    if (command == "EXIT")
        return QList<QByteArray>{};
    return applyFixedSetting(command);
}

std::optional<QList<QByteArray>> DeviceModel::storeValue(const QByteArray& keyword,
                                                         const QByteArray& value) {
    for (const ValueCommand& known : kValueCommands) {
        if (keyword == known.keyword) {
            // One byte per character, as the tool sends them.
            settings_.*known.field = QString::fromLatin1(value);
            return QList<QByteArray>{acknowledgement("OK")};
        }
    }
    return std::nullopt;
}

std::optional<QList<QByteArray>> DeviceModel::applyFixedSetting(const QByteArray& keyword) {
    for (const FixedCommand& known : kFixedCommands) {
        if (keyword == known.keyword) {
            settings_.*known.field = QString::fromLatin1(keyword);
            return QList<QByteArray>{acknowledgement("OK")};
        }
    }
    return std::nullopt;
}

QList<QByteArray> DeviceModel::queryReply() const {
    QList<QByteArray> fields;
    const QStringList all = settings_.queryFields();
    const qsizetype count = std::clamp<qsizetype>(faults_.queryFieldLimit, 0, all.size());
    for (qsizetype i = 0; i < count; ++i)
        fields << all[i].toLatin1();
    return fields;
}

QByteArray DeviceModel::acknowledgement(const char* word) const {
    const QByteArray text(word);
    return faults_.lowerCaseAcks ? text.toLower() : text;
}

QList<OutputChunk> DeviceModel::scheduleReply(const QList<QByteArray>& fields, qint64 nowMs) {
    QList<OutputChunk> chunks;
    const bool spread = faults_.fieldIntervalMs > 0;
    qint64 at = std::max(nowMs + faults_.latencyMs, lineFreeAt_);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0 && spread)
            at += faults_.fieldIntervalMs;
        QByteArray bytes = '[' + fields[i] + ']';
        bytes += i + 1 < fields.size() ? faults_.noise : QByteArray(kReplyEnd);
        if (isSilentAt(at))
            break;
        if (chunks.isEmpty() || spread)
            chunks << OutputChunk{bytes, at};
        else
            chunks.last().bytes += bytes;
    }
    if (!chunks.isEmpty())
        lineFreeAt_ = chunks.last().atMs;
    return chunks;
}

} // namespace tavixat::sim
