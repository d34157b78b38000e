#include "ModuleRecord.h"

#include "DeviceState.h"
#include "SerialValues.h"
#include "Version.h"

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
    // As the window's PIN request box: ticked and fixed on firmware that locks it.
    if (isPinRequestLocked(device_.FirmwareVersion))
        settings.pinRequest = true;
}

} // namespace tavixat
