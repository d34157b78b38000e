#include "InstalledFiles.h"

#include "Pictures.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

namespace tavixat::test {

QString ProgramRun::summary() const {
    const QString ending =
        finished ? QStringLiteral("exit code %1").arg(exitCode) : QStringLiteral("did not finish");
    return QStringLiteral("%1\n--- stdout:\n%2\n--- stderr:\n%3").arg(ending, out, err);
}

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      std::chrono::milliseconds deadline, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForStarted()) {
        run.err = process.errorString();
        return run;
    }
    run.finished = process.waitForFinished(int(deadline.count()));
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.finished = run.finished && process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

bool hasProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

QList<QSize> windowIconSizes() {
    QList<QSize> sizes = applicationIcon().availableSizes();
    std::sort(sizes.begin(), sizes.end(),
              [](const QSize& a, const QSize& b) { return a.width() < b.width(); });
    return sizes;
}

QStringList expectedInstalledFiles() {
    QStringList files{
        QStringLiteral("bin/tavixat-setup"),
        QStringLiteral("bin/tavixat-sim"),
        QStringLiteral("share/applications/io.github.tavixat.Setup.desktop"),
        QStringLiteral("share/metainfo/io.github.tavixat.Setup.metainfo.xml"),
        QStringLiteral("share/man/man1/tavixat-setup.1.gz"),
        QStringLiteral("share/man/man1/tavixat-sim.1.gz"),
    };
    for (const QSize& size : windowIconSizes())
        files << QStringLiteral("share/icons/hicolor/%1x%2/apps/tavixat-setup.png")
                     .arg(size.width())
                     .arg(size.height());
    files.sort();
    return files;
}

QStringList filesUnder(const QString& folder) {
    const QDir root(folder);
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << root.relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace tavixat::test
