#pragma once

#include "ModuleRecord.h"
#include "ModuleText.h"

#include <QList>
#include <optional>

namespace tavixat {

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

// The save stops at the first command not acknowledged, which is the last one written: names it.
void reportUnacknowledgedSetting(const WatchedPort& port, Platform& platform);

// Reads the settings back and says which differ from those saved. The settings read when they
// all match; nothing when the reply was incomplete or something differs.
std::optional<ModuleSettings> checkReadBack(modComm& comm, Platform& platform,
                                            const DeviceState& device, int portIndex,
                                            const ModuleSettings& wanted);

} // namespace modulesave

} // namespace tavixat
