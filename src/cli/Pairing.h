#pragma once

#include "ModuleText.h"

#include <QList>
#include <QString>

namespace tavixat::pairing {

// Which end of a link a module is made.
enum class Role { Master, Slave };

// The PIN code both modules of a pair are given: the one asked for, else the Slave's own when
// the modules take it, else six random digits.
QString sharedPin(const QString& asked, const ModuleSettings& slave);

// The Slave's own address as a Master's address takes it; empty when it is not twelve
// hexadecimal digits, and the Master would be pointed at nothing.
QString linkAddress(const ModuleSettings& slave);

// What makes a module one end of the link, on top of any other settings: the Slave
// discoverable, both with the PIN request on and the same PIN code, the Master's address the
// Slave's own. `slaveAddress` is linkAddress() of the Slave.
QList<Assignment> roleChanges(Role role, const QString& pin, const QString& slaveAddress);

// The settings with the role's changes put over them, each key once.
QList<Assignment> withRoleChanges(QList<Assignment> settings, Role role, const QString& pin,
                                  const QString& slaveAddress);

// Why the two, as read back, do not make a link; empty when the Master's address is the
// Slave's own address and the PIN codes are the same.
QString linkProblem(const ModuleSettings& master, const ModuleSettings& slave);

} // namespace tavixat::pairing
