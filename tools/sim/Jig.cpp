#include "Jig.h"

namespace tavixat::sim {

namespace {

constexpr qsizetype kAddressDigits = 12;

// Twelve hexadecimal digits, in lower case; empty for anything else.
QString readAddressDigits(const QString& text) {
    const QByteArray digits = text.toLatin1().toLower();
    if (digits.size() != kAddressDigits || QByteArray::fromHex(digits).toHex() != digits)
        return {};
    return QString::fromLatin1(digits);
}

// The address as the device reports it: "xxxx xx xx xxxx".
QString reportedAddress(const QString& digits) {
    return QStringLiteral("%1 %2 %3 %4")
        .arg(digits.mid(0, 4), digits.mid(4, 2), digits.mid(6, 2), digits.mid(8, 4));
}

std::optional<qint64> readMs(const QString& text, qint64 lowest) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < lowest)
        return std::nullopt;
    return value;
}

std::optional<JigSlot> readSlot(const QString& text) {
    const QStringList parts = text.split(u':');
    if (parts.size() != 3)
        return std::nullopt;
    // "-": no module, so that a jig may start empty.
    const QString address = parts[0] == QLatin1String("-") ? parts[0] : readAddressDigits(parts[0]);
    const std::optional<qint64> present = readMs(parts[1], 1);
    const std::optional<qint64> absent = readMs(parts[2], 0);
    if (address.isEmpty() || !present || !absent)
        return std::nullopt;
    return JigSlot{address, *present, *absent};
}

} // namespace

std::optional<QList<JigSlot>> parseJigSlots(const QString& text, QString& error) {
    QList<JigSlot> places;
    for (const QString& item : text.split(u',')) {
        const std::optional<JigSlot> place = readSlot(item.trimmed());
        if (!place) {
            error = QStringLiteral(
                        "--jig takes ADDR:PRESENT_MS:ABSENT_MS,... (twelve hexadecimal "
                        "digits or - for none, a time from 1 ms, a time from 0 ms), not \"%1\".")
                        .arg(item);
            return std::nullopt;
        }
        places << *place;
    }
    return places;
}

Jig::Jig(DeviceSettings settings, DeviceFaults faults, QList<JigSlot> places)
    : places_(std::move(places)) {
    if (places_.isEmpty()) {
        models_ << DeviceModel(std::move(settings), std::move(faults));
        return;
    }
    for (const JigSlot& place : places_) {
        DeviceSettings own = settings;
        own.ownAddress = reportedAddress(place.address);
        models_ << DeviceModel(std::move(own), faults);
    }
}

ModelOutput Jig::receive(const QByteArray& bytes, qint64 nowMs, std::optional<bool> rts) {
    if (places_.isEmpty())
        return models_[0].receive(bytes, nowMs, rts);
    ModelOutput out;
    const std::optional<Seat> seat = seatAt(nowMs);
    for (const QByteArray& command : splitter_.push(bytes)) {
        if (seat)
            out.commands << handOver(command, *seat, nowMs, rts, out.chunks);
        else
            out.commands << HeardCommand{'<' + command + '>', nowMs, false, {}};
    }
    return out;
}

HeardCommand Jig::handOver(const QByteArray& command, const Seat& seat, qint64 nowMs,
                           std::optional<bool> rts, QList<OutputChunk>& chunks) {
    const ModelOutput local =
        models_[seat.index].receive('<' + command + '>', nowMs - seat.fromMs, rts);
    HeardCommand heard{'<' + command + '>', nowMs, false, {}};
    if (!local.commands.isEmpty())
        heard.heard = local.commands[0].heard;
    // What would go out after the module is taken out never does.
    for (OutputChunk chunk : local.chunks) {
        chunk.atMs += seat.fromMs;
        if (chunk.atMs >= seat.untilMs)
            break;
        heard.reply += chunk.bytes;
        chunks << chunk;
    }
    return heard;
}

std::optional<qint64> Jig::hangUpTime() const {
    if (!places_.isEmpty())
        return std::nullopt;
    return models_[0].hangUpTime();
}

QString Jig::moduleAt(qint64 nowMs) const {
    const std::optional<Seat> seat = seatAt(nowMs);
    return seat ? places_[seat->index].address : QString();
}

std::optional<DeviceSettings> Jig::settingsAt(qint64 nowMs) const {
    if (places_.isEmpty())
        return models_[0].settings();
    const std::optional<Seat> seat = seatAt(nowMs);
    return seat ? std::optional(models_[seat->index].settings()) : std::nullopt;
}

std::optional<Jig::Seat> Jig::seatAt(qint64 nowMs) const {
    qint64 start = 0;
    for (qsizetype i = 0; i < places_.size(); ++i) {
        const qint64 end = start + places_[i].presentMs;
        if (nowMs >= start && nowMs < end)
            return places_[i].address == QLatin1String("-") ? std::nullopt
                                                            : std::optional(Seat{i, start, end});
        start = end + places_[i].absentMs;
    }
    return std::nullopt;
}

} // namespace tavixat::sim
