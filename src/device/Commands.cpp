#include "Commands.h"

namespace tavixat::command {

namespace {

QString valueCommand(const char* keyword, const QString& value) {
    return QLatin1Char('<') + QLatin1String(keyword) + QLatin1Char('=') + value + QLatin1Char('>');
}

} // namespace

QString name(const QString& value) {
    return valueCommand("NAME", value);
}

QString pinCode(const QString& value) {
    return valueCommand("PKEY", value);
}

QString baudRate(const QString& value) {
    return valueCommand("BAUD", value);
}

QString stopBits(const QString& value) {
    return valueCommand("SBIT", value);
}

QString parity(const QString& letter) {
    return valueCommand("PRTY", letter);
}

QString address(const QString& value) {
    return valueCommand("ADDR", value);
}

QString parityLetter(const QString& listText) {
    return listText.left(1);
}

} // namespace tavixat::command
