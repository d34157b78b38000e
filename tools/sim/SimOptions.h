#pragma once

#include "CommandLine.h"
#include "DeviceFaults.h"
#include "DeviceSettings.h"
#include "Jig.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tavixat::sim {

// Everything the command line of tavixat-sim decides.
struct SimOptions {
    DeviceSettings settings;
    DeviceFaults faults;
    QString linkPath; // empty: no symbolic link
    bool pace = false;
    QString airFolder;  // empty: the module sees no other
    QList<JigSlot> jig; // empty: one module, seated for ever
};

// The result of reading the command line: options to run with, or else what to print and the
// exit code to leave with (help, version, or a usage error).
struct ParsedCommandLine {
    std::optional<SimOptions> options;
    EarlyExit early;
};

ParsedCommandLine parseCommandLine(const QStringList& arguments);

} // namespace tavixat::sim
