#pragma once

#include <QString>

namespace tavixat {

class modComm;
class Platform;
class SettingsFields;

// Asks the device for its stored settings and puts the twelve reply fields into the window.
// Returns how many of the twelve arrived; the window is filled only when all did, so that
// nothing the device did not report can be shown or saved.
int ReadSettings(modComm& comm, Platform& platform, SettingsFields& fields);

// "Incomplete reply from device!" and how many of the twelve settings arrived.
QString incompleteReplyMessage(int arrived);

// Sends the window's settings as acknowledged set commands, each value read just before its
// command. False as soon as one command is not acknowledged; nothing is undone.
bool WriteSettings(modComm& comm, const SettingsFields& fields);

// What would make a save unsafe or undefined on the wire, checked before anything is sent:
// the message to show, or empty text when the values may go out.
QString checkSettingsBeforeSave(const SettingsFields& fields);

} // namespace tavixat
