#pragma once

#include <QList>
#include <QString>
#include <functional>

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

// The set commands of a save, in the order they go out: eight in the Slave role, nine in the
// Master role. Each builds its text from the fields when it is called, just before it is sent.
QList<std::function<QString()>> saveCommands(const SettingsFields& fields);

// Sends the window's settings as acknowledged set commands, each value read just before its
// command. False as soon as one command is not acknowledged; nothing is undone.
bool WriteSettings(modComm& comm, const SettingsFields& fields);

} // namespace tavixat
