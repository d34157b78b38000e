#pragma once

#include <QString>

// Every text the tool sends to the device, and the reply words it tells apart. Commands go out
// exactly as built here: no terminator, values inserted unchanged.
namespace tavixat::command {

inline const QString Ping = QStringLiteral("<PING>");
inline const QString Vers = QStringLiteral("<VERS>");
inline const QString Query = QStringLiteral("<QUERY>");
inline const QString Exit = QStringLiteral("<EXIT>");
inline const QString Master = QStringLiteral("<MASTER>");
inline const QString Slave = QStringLiteral("<SLAVE>");
inline const QString Discoverable = QStringLiteral("<DISCOVERABLE>");
inline const QString Invisible = QStringLiteral("<INVISIBLE>");
inline const QString PinOn = QStringLiteral("<PIN_ON>");
inline const QString PinOff = QStringLiteral("<PIN_OFF>");

QString name(const QString& value);
QString pinCode(const QString& value);
QString baudRate(const QString& value);
QString stopBits(const QString& value);
// Takes the letter, not the list text: see parityLetter.
QString parity(const QString& letter);
QString address(const QString& value);

// The letter the device wants for a parity list text: its first character ("None" -> "N").
// An empty text gives an empty letter.
QString parityLetter(const QString& listText);

} // namespace tavixat::command

namespace tavixat::reply {

inline const QString Ready = QStringLiteral("READY");
inline const QString Ok = QStringLiteral("OK");
// Query field texts that select something; any other text selects the alternative.
inline const QString Master = QStringLiteral("MASTER");
inline const QString Invisible = QStringLiteral("INVISIBLE");
inline const QString PinOff = QStringLiteral("PIN_OFF");

} // namespace tavixat::reply
