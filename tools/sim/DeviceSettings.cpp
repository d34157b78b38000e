#include "DeviceSettings.h"

namespace tavixat::sim {

QStringList DeviceSettings::queryFields() const {
    return {name,          pinCode,    baudRate, stopBits,   parity,  role,
            remoteAddress, ownAddress, profile,  visibility, pinMode, firmware};
}

} // namespace tavixat::sim
