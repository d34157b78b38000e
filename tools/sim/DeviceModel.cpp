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
// What a device says to a command it will not carry out.
constexpr const char* kRefusal = "ERROR";

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
        const qint64 extraMs = command == "VERS"    ? faults_.versionDelayMs
                               : command == "QUERY" ? faults_.queryDelayMs
                                                    : 0;
        for (const OutputChunk& chunk : scheduleReply(reply(command), nowMs + extraMs)) {
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

QList<QByteArray> DeviceModel::reply(const QByteArray& command) {
    if (command == "QUERY" && faults_.runawayFieldBytes > 0)
        return {runawayField()};
    return frame(act(command).value_or(QList<QByteArray>{}));
}

std::optional<QList<QByteArray>> DeviceModel::act(const QByteArray& command) {
    const qsizetype equals = command.indexOf('=');
    const QByteArray keyword = equals >= 0 ? command.left(equals) : command;
    if (faults_.refusedKeywords.contains(keyword))
        return QList<QByteArray>{kRefusal};
    if (faults_.forgottenKeywords.contains(keyword))
        return QList<QByteArray>{acknowledgement("OK")};
    if (equals >= 0)
        return storeValue(command.left(equals), command.mid(equals + 1));
    if (command == "PING") {
        ++pings_;
        if (pings_ < faults_.answerPingFrom || pings_ == faults_.lostPing)
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

QList<QByteArray> DeviceModel::frame(const QList<QByteArray>& fields) const {
    QList<QByteArray> pieces;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QByteArray bytes = '[' + fields[i] + ']';
        bytes += i + 1 < fields.size() ? faults_.noise : QByteArray(kReplyEnd);
        pieces << bytes;
    }
    return pieces;
}

QByteArray DeviceModel::runawayField() const {
    // Printable filler, and never a bracket: nothing in it ends the field.
    static const QByteArray kFiller("0123456789abcdef");
    const qsizetype length = faults_.runawayFieldBytes;
    return '[' + kFiller.repeated(length / kFiller.size() + 1).left(length);
}

QList<OutputChunk> DeviceModel::scheduleReply(const QList<QByteArray>& pieces, qint64 nowMs) {
    // Each piece goes out whole, or one byte at a time; a unit sent after a pause starts a chunk
    // of its own.
    struct Unit {
        QByteArray bytes;
        qint64 gapMs = 0;
    };
    QList<Unit> units;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const qint64 fieldGap = i > 0 ? faults_.fieldIntervalMs : 0;
        if (faults_.byteIntervalMs <= 0) {
            units << Unit{pieces[i], fieldGap};
            continue;
        }
        for (qsizetype pos = 0; pos < pieces[i].size(); ++pos)
            units << Unit{pieces[i].mid(pos, 1),
                          (pos == 0 ? fieldGap : 0) + faults_.byteIntervalMs};
    }

    QList<OutputChunk> chunks;
    qint64 at = std::max(nowMs + faults_.latencyMs, lineFreeAt_);
    for (const Unit& unit : units) {
        if (!chunks.isEmpty())
            at += unit.gapMs;
        const QByteArray bytes = withinOutputLimit(unit.bytes);
        if (bytes.isEmpty() || isSilentAt(at))
            break;
        if (chunks.isEmpty() || unit.gapMs > 0)
            chunks << OutputChunk{bytes, at};
        else
            chunks.last().bytes += bytes;
        bytesOut_ += bytes.size();
    }
    if (chunks.isEmpty())
        return chunks;
    if (isOutputLimitReached())
        hangUp(chunks.last().atMs);
    lineFreeAt_ = chunks.last().atMs + faults_.byteIntervalMs;
    return chunks;
}

QByteArray DeviceModel::withinOutputLimit(const QByteArray& bytes) const {
    if (!faults_.hangUpAfterBytes)
        return bytes;
    return bytes.left(std::max<qint64>(0, *faults_.hangUpAfterBytes - bytesOut_));
}

bool DeviceModel::isOutputLimitReached() const {
    return faults_.hangUpAfterBytes && bytesOut_ >= *faults_.hangUpAfterBytes;
}

} // namespace tavixat::sim
