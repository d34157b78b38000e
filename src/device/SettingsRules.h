#pragma once

#include <QString>

namespace tavixat {

class SettingsFields;

// The most characters the user gives for the device name and the PIN code. A longer value that
// the device reports is shown and saved whole.
inline constexpr int kNameLimit = 14;
inline constexpr int kPinLimit = 8;

// Firmware from "v1.1" up to below "v2.0" keeps the PIN request on: the fields show it ticked,
// whatever the device reported. True when the version locks it.
bool keepPinRequestOn(SettingsFields& fields, const QString& firmwareVersion);

// What would make a save unsafe or undefined on the wire, or one the firmware refuses, checked
// before anything is sent: the message to show, or empty text when the values may go out.
QString checkSettingsBeforeSave(const SettingsFields& fields, const QString& firmwareVersion);

} // namespace tavixat
