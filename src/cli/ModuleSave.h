#pragma once

#include "Connection.h"
#include "ModuleRecord.h"
#include "ModuleText.h"

#include <QList>
#include <optional>

namespace tavixat {

class ConsolePlatform;
class Platform;
class WatchedPort;
class modComm;
struct DeviceState;

// The steps of a save that `set` and a production station share. Their messages go through
// the platform, so each front end shows them its own way.
namespace modulesave {

// True, after saying why, when an address is given for a module that is not to be a Master:
// the save would silently leave it out.
bool refuseAddressWithoutMaster(const QList<Assignment>& changes, const ModuleSettings& settings,
                                Platform& platform);

// Saves the settings with the window's sequence and tells its messages through the platform.
// A save stops at the first command not acknowledged, the last one written: named, and said to
// be refused when the module answered it with [ERROR], in place of the window's "No reply from
// device!", which would send the user looking for a cable fault.
Connection::Outcome saveSettings(Connection& connection, ConsolePlatform& platform,
                                 const WatchedPort& port);

// Reads the settings back and says which differ from those saved. The settings read when they
// all match; nothing when the reply was incomplete or something differs.
std::optional<ModuleSettings> checkReadBack(modComm& comm, Platform& platform,
                                            const DeviceState& device, int portIndex,
                                            const ModuleSettings& wanted);

} // namespace modulesave

} // namespace tavixat
