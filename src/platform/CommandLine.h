#pragma once

#include <QCommandLineParser>
#include <QString>
#include <optional>

namespace tavixat {

// The exit code of every program for a command line it does not take.
inline constexpr int kExitUsage = 1;

// What a program says instead of running: its help or its version, on standard output with
// code 0, or what is wrong with its command line, on standard error with kExitUsage.
struct EarlyExit {
    QString text;
    int exitCode = 0;
};

// Writes the text where it belongs; returns the exit code.
int printEarlyExit(const EarlyExit& early);

// "<program>: <problem>", the synopsis `usage`, and where to read more.
EarlyExit usageError(const QString& program, const QString& usage, const QString& problem);

// Every program reads its command line the same way: options anywhere among the arguments,
// "--name=value" as well as "--name value", "-name" as "--name", and -h, --help and --version.
class CommandLine {
public:
    // `usage`: the synopsis, one line per form, "Usage: " first; `about`: what the help says
    // between it and the options.
    CommandLine(const QString& program, const QString& version, const QString& usage,
                const QString& about);

    // What an option's value may be. A value option is given once, with a value that is not
    // empty, unless it says otherwise: a script whose variable is unset must not fall back on a
    // default, and of two values neither may silently win.
    enum ValueRule { Once = 0, Repeatable = 1, MayBeEmpty = 2 };
    void addOption(const QCommandLineOption& option, int rules = Once);
    // `arguments` without the program's name. Nothing: go on with what parser() read. Arguments
    // other than options are refused unless the program `takesArguments`.
    std::optional<EarlyExit> parse(const QStringList& arguments, bool takesArguments);
    EarlyExit usageError(const QString& problem) const {
        return tavixat::usageError(program_, usage_, problem);
    }
    const QCommandLineParser& parser() const { return parser_; }

private:
    QString helpText() const;
    std::optional<EarlyExit> checkValues() const;

    QCommandLineParser parser_;
    QCommandLineOption helpOption_{{QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Show this help and exit.")};
    QCommandLineOption versionOption_{QStringLiteral("version"),
                                      QStringLiteral("Show the version and exit.")};
    QString program_;
    QString version_;
    QString usage_;
    QString about_;
    QList<QPair<QCommandLineOption, int>> valueOptions_;
};

} // namespace tavixat
