// tavixat-sim: a simulated TavixAT device on a pseudo-terminal. See --help.
#include "Jig.h"
#include "LineLink.h"
#include "PtyLine.h"
#include "SimOptions.h"
#include "SimServer.h"
#include "TerminationSignals.h"

#include <QCoreApplication>
#include <cstdio>

using namespace tavixat::sim;

namespace {

void printError(const QString& text) {
    std::fprintf(stderr, "tavixat-sim: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavixat-sim"));

    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.options)
        return tavixat::printEarlyExit(parsed.early);
    const SimOptions& options = *parsed.options;

    TerminationSignals termination;
    if (!termination.install()) {
        printError(QStringLiteral("cannot catch termination signals."));
        return SimServer::kExitLineFailed;
    }
    PtyLine line;
    QString error;
    if (!line.open(error)) {
        printError(error);
        return SimServer::kExitLineFailed;
    }
    LineLink link;
    if (!options.linkPath.isEmpty() && !link.create(options.linkPath, line.slavePath(), error)) {
        printError(error);
        return SimServer::kExitLineFailed;
    }
    // The path first and flushed: whoever started the simulator waits for it, and may use the
    // link as soon as it has read it.
    std::printf("%s\n", line.slavePath().toLocal8Bit().constData());
    std::fflush(stdout);

    if (options.faults.answerOnlyWithRts)
        printError(
            QStringLiteral("a pseudo-terminal has no RTS line: --answer-rts has no effect."));

    Jig model(options.settings, options.faults, options.jig);
    SimServer server(line, model, options.pace, termination.fd(), options.airFolder);
    return server.run();
}
