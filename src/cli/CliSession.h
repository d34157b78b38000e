#pragma once

#include "CommandLine.h"
#include "ModuleText.h"

#include <QStringList>

namespace tavixat {

// The exit codes scripts rely on, beside kExitUsage (1).
enum ExitCode {
    kExitDone = 0,
    kExitPortNotOpened = 2,
    kExitNoReply = 3,
    kExitFirmwareRejected = 4,
    kExitValueRefused = 5,
    kExitNotSaved = 6,
    kExitOutputFailed = 7,
};

// One run of tavixat-cli that talks to a module: reads it and, for set and apply, writes the
// changes through the window's own sequences and reads them back.
struct SessionRequest {
    // "COMn" or a device path; empty: the stored port.
    QString port;
    // Empty: only show.
    QList<Assignment> changes;
    enum class Format { Text, Json, Ini } format = Format::Text;
    // Where to write a trace of the line; empty: nowhere.
    QString tracePath;
};

int runSession(const SessionRequest& request);

// "tavixat-cli: " and the text on standard error, on a line of its own, at once.
void printCliError(const QString& text);

// One line per port: "COMn", the device it opens, "attached" or "no device".
int listPorts();

} // namespace tavixat
