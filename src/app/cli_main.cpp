#include "CliArguments.h"
#include "CliSession.h"
#include "DatabaseReport.h"
#include "ProvisionRun.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

int runCommand(const tavixat::CliArguments& parsed) {
    switch (parsed.command) {
    case tavixat::CliArguments::Command::Print:
        return tavixat::printEarlyExit(parsed.early);
    case tavixat::CliArguments::Command::ListPorts:
        return tavixat::listPorts();
    case tavixat::CliArguments::Command::Session:
        return tavixat::runSession(parsed.session);
    case tavixat::CliArguments::Command::Provision:
        return tavixat::runProvision(parsed.provision);
    case tavixat::CliArguments::Command::Pair:
        return tavixat::runPair(parsed.pair);
    case tavixat::CliArguments::Command::Report:
        return tavixat::printDatabaseReport(parsed.provision.databaseUrl, parsed.provision.batch);
    }
    return tavixat::kExitUsage;
}

bool isWritten(FILE* stream) {
    return std::fflush(stream) == 0 && !std::ferror(stream);
}

// A script must never take a cut result for a whole one (a full disk, a closed terminal): a run
// that went well but could not write all it had to say fails. A failure already has its code.
int exitCodeAfterOutput(int exitCode) {
    if (tavixat::stopsignals::count() > 0) // the line that says why has been written
        return exitCode;
    const bool outWritten = isWritten(stdout);
    const bool errWritten = isWritten(stderr);
    if (outWritten && errWritten)
        return exitCode;
    std::fputs("tavixat-cli: the results could not be written.\n", stderr);
    return exitCode == tavixat::kExitDone ? tavixat::kExitOutputFailed : exitCode;
}

} // namespace

int main(int argc, char* argv[]) {
    // Before any file is opened: a stop that comes while one is waited for ends the program.
    tavixat::stopsignals::install();
    QCoreApplication app(argc, argv);
    // The window's settings store: the same stored port and [Ports] entries.
    QCoreApplication::setOrganizationName(QStringLiteral("TavixAT Setup"));

    const tavixat::CliArguments parsed = tavixat::parseCliArguments(app.arguments().mid(1));
    return exitCodeAfterOutput(runCommand(parsed));
}
