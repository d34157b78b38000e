#include "LineSettings.h"

#include <QStringList>

namespace tavixat {

namespace {

std::optional<QSerialPort::Parity> parseParity(const QString& part) {
    if (part.size() != 1)
        return std::nullopt;
    switch (part.at(0).toUpper().unicode()) {
    case u'N':
        return QSerialPort::NoParity;
    case u'O':
        return QSerialPort::OddParity;
    case u'E':
        return QSerialPort::EvenParity;
    case u'M':
        return QSerialPort::MarkParity;
    case u'S':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::DataBits> parseDataBits(const QString& part) {
    bool ok = false;
    const int bits = part.toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return std::nullopt;
    return static_cast<QSerialPort::DataBits>(bits);
}

std::optional<QSerialPort::StopBits> parseStopBits(const QString& part) {
    if (part == u"1")
        return QSerialPort::OneStop;
    if (part == u"1.5")
        return QSerialPort::OneAndHalfStop;
    if (part == u"2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString& text) {
    QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    for (QString& part : parts)
        part = part.trimmed();

    bool ok = false;
    const int baud = parts.at(0).toInt(&ok);
    const auto parity = parseParity(parts.at(1));
    const auto dataBits = parseDataBits(parts.at(2));
    const auto stopBits = parseStopBits(parts.at(3));
    if (!ok || baud <= 0 || !parity || !dataBits || !stopBits)
        return std::nullopt;
    return LineSettings{baud, *parity, *dataBits, *stopBits};
}

} // namespace tavixat
