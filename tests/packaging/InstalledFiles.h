#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>
#include <chrono>

namespace tavixat::test {

// What a finished (or failed to finish) helper program left behind.
struct ProgramRun {
    bool finished = false; // started, and ended by itself before the deadline
    int exitCode = -1;
    QString out;
    QString err;

    // For failure messages: how it ended and what it printed.
    QString summary() const;
};

ProgramRun
runProgram(const QString& program, const QStringList& arguments, std::chrono::milliseconds deadline,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// True when an executable of that name is on the PATH.
bool hasProgram(const QString& name);

// The sizes the program's window icon comes in.
QList<QSize> windowIconSizes();

// Every file an install puts under its prefix, relative to it, sorted.
QStringList expectedInstalledFiles();

// The regular files (and links) under a folder, relative to it, sorted.
QStringList filesUnder(const QString& folder);

} // namespace tavixat::test
