#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

namespace tavixat {

struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Reads "baud,parity,data,stop", for example "9600,N,8,1": parity one of N, O, E, M, S (either
// case), data bits 5 to 8, stop bits 1, 1.5 or 2; blanks around a part are ignored.
// Nothing when the text is not of that form.
std::optional<LineSettings> parseLineSettings(const QString& text);

} // namespace tavixat
