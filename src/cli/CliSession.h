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

// What is wrong with the settings store, on standard error, when anything is.
void warnOfSettingsProblem();

// The text on standard output, at once.
void printResult(const QString& text);

// "tavixat-cli: " and the text on standard error, on a line of its own, at once.
void printCliError(const QString& text);

class ConsolePlatform;
class ModuleConversation;
class ProgressLine;

// A stop signal came: each module that answered is told goodbye and its port closed, and the
// line says why; the exit code.
int endConversationsStopped(ConsolePlatform& platform, const QList<ModuleConversation*>& modules);
// A second stop signal: no more exchanges. The ports are closed first, so that no lock of them
// outlives the program.
[[noreturn]] void endConversationsAtOnce(ProgressLine& progress,
                                         const QList<ModuleConversation*>& modules);

// One line per port: "COMn", the device it opens, "attached" or "no device".
int listPorts();

} // namespace tavixat
