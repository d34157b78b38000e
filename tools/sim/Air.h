#pragma once

#include "DeviceSettings.h"

#include <QString>
#include <QStringList>

namespace tavixat::sim {

// Simulated modules that share a folder see each other, as real ones see each other over the
// air. Each leaves its settings there; a Master then links to the Slave its address names when
// that Slave is discoverable and has the same PIN code, and leaves a note for it.
class Air {
public:
    explicit Air(QString folder) : folder_(std::move(folder)) {}

    // Leaves the module's settings for the others and, for a Master, tries to link: the line its
    // log gets ("linked to ADDRESS", or why it cannot link); empty for a Slave.
    QString announce(const DeviceSettings& settings) const;
    // The own addresses of the Masters that linked to this module since the last call.
    QStringList takeLinksTo(const QString& ownAddress) const;

private:
    QString pathOf(const QString& address, const char* suffix) const;
    QString notePath(const QString& slave, const QString& master) const;

    QString folder_;
};

} // namespace tavixat::sim
