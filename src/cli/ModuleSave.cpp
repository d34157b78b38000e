#include "ModuleSave.h"

#include "DisplayText.h"
#include "Platform.h"
#include "QueryFields.h"
#include "SettingsTransfer.h"
#include "WatchedPort.h"

#include <algorithm>

namespace tavixat::modulesave {

bool refuseAddressWithoutMaster(const QList<Assignment>& changes, const ModuleSettings& settings,
                                Platform& platform) {
    const bool addressGiven = std::any_of(changes.begin(), changes.end(), [](const Assignment& a) {
        return a.key == QLatin1String("address");
    });
    if (!addressGiven || settings.master)
        return false;
    platform.showMessage(
        QStringLiteral("Nothing was saved: the address is saved only with role=master."),
        MessageIcon::Error);
    return true;
}

void reportUnacknowledgedSetting(const WatchedPort& port, Platform& platform) {
    const QString key = settingKeyOfCommand(port.lastCommand());
    if (!key.isEmpty())
        platform.showMessage(QStringLiteral("The module did not acknowledge %1: the settings "
                                            "after it were not sent, those before it may "
                                            "have been saved.")
                                 .arg(key),
                             MessageIcon::Error);
}

std::optional<ModuleSettings> checkReadBack(modComm& comm, Platform& platform,
                                            const DeviceState& device, int portIndex,
                                            const ModuleSettings& wanted) {
    ModuleRecord readBack(device, portIndex);
    const int arrived = ReadSettings(comm, platform, readBack);
    if (arrived < kQueryFieldCount) {
        platform.showMessage(incompleteReplyMessage(arrived), MessageIcon::Error);
        return std::nullopt;
    }
    const QStringList differing = differingKeys(wanted, readBack.settings);
    for (const QString& key : differing)
        platform.showMessage(QStringLiteral("Read back: %1 is %2, not the %3 that was saved.")
                                 .arg(key, quotedValue(settingText(readBack.settings, key)),
                                      quotedValue(settingText(wanted, key))),
                             MessageIcon::Error);
    if (!differing.isEmpty())
        return std::nullopt;
    return readBack.settings;
}

} // namespace tavixat::modulesave
