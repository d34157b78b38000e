#include "ModuleSave.h"

#include "ConsolePlatform.h"
#include "DisplayText.h"
#include "Platform.h"
#include "QueryFields.h"
#include "SettingsTransfer.h"
#include "WatchedPort.h"

#include <algorithm>
#include <utility>

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

Connection::Outcome saveSettings(Connection& connection, ConsolePlatform& platform,
                                 const WatchedPort& port) {
    QList<std::pair<QString, MessageIcon>> said;
    const auto passOn =
        std::exchange(platform.onMessage, [&said](const QString& text, MessageIcon icon) {
            said.append({text, icon});
        });
    connection.cmdWrite_Click();
    platform.processEvents(); // a loss of the link is told after the sequence
    platform.onMessage = passOn;
    const QString key = settingKeyOfCommand(port.lastCommand());
    if (connection.lastOutcome() == Connection::Outcome::NotAcknowledged && !key.isEmpty()) {
        const QString afterIt = QStringLiteral("settings after it were not sent, those before it "
                                               "may have been saved.");
        if (port.lastCommandRefused())
            said = {{QStringLiteral("The module refused the %1 setting. The ").arg(key) + afterIt,
                     MessageIcon::Error}};
        else
            said.append(
                {QStringLiteral("The module did not acknowledge %1: the ").arg(key) + afterIt,
                 MessageIcon::Error});
    }
    for (const auto& [text, icon] : said)
        platform.showMessage(text, icon);
    return connection.lastOutcome();
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
