#pragma once

#include "CliSession.h"
#include "PairSession.h"
#include "ProvisionRequest.h"

#include <QStringList>

namespace tavixat {

// What the command line asks for, or the text to print and the code to exit with.
struct CliArguments {
    enum class Command {
        Session,
        ListPorts,
        Provision,
        Report,
        Pair,
        Print
    } command = Command::Print;
    SessionRequest session;
    ProvisionRequest provision; // report uses its databaseUrl and batch
    PairRequest pair;
    // For Print: the help, the version, or a usage error.
    EarlyExit early;
};

// `arguments` without the program name. Values of set and apply are checked here, before any
// port is opened; apply's file is read here too.
CliArguments parseCliArguments(const QStringList& arguments);

} // namespace tavixat
