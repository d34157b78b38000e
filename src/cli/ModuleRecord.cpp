#include "ModuleRecord.h"

#include "DeviceState.h"
#include "SerialValues.h"
#include "SettingsRules.h"

namespace tavixat {

void ModuleRecord::selectBaudRate(int index) {
    settings.baud = kBaudRates.value(index);
}
void ModuleRecord::selectStopBits(int index) {
    settings.stopBits = kStopBits.value(index);
}
void ModuleRecord::selectParity(int index) {
    settings.parity = kParityNames.value(index);
}

void ModuleRecord::SetConnectedState(bool connected) {
    caption_ = connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect");
    keepPinRequestOn(*this, device_.FirmwareVersion);
}

} // namespace tavixat
