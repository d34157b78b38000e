#pragma once

#include <QProcess>
#include <QStringList>

namespace tavixat::test {

// Files an install puts under its prefix (/usr in the package), one of each kind.
inline const QStringList kInstalledFiles{
    QStringLiteral("bin/tavixat-setup"),
    QStringLiteral("bin/tavixat-sim"),
    QStringLiteral("share/applications/io.github.tavixat.Setup.desktop"),
    QStringLiteral("share/metainfo/io.github.tavixat.Setup.metainfo.xml"),
    QStringLiteral("share/icons/hicolor/48x48/apps/tavixat-setup.png"),
    QStringLiteral("share/man/man1/tavixat-setup.1.gz"),
    QStringLiteral("share/man/man1/tavixat-sim.1.gz"),
};

struct ProgramRun {
    bool ok = false; // ran and exited by itself with code 0
    QString output;  // stdout and stderr; after a failure also why it failed
};

// `command` is the program followed by its arguments.
inline ProgramRun runProgram(QStringList command, int deadlineMs = 60'000) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.takeFirst(), command);
    const bool ended = process.waitForFinished(deadlineMs); // else the destructor kills it
    ProgramRun run{ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                   QString::fromLocal8Bit(process.readAll())};
    if (!run.ok)
        run.output += process.errorString();
    return run;
}

} // namespace tavixat::test
