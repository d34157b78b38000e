#include "CommandLine.h"

#include <cstdio>

namespace tavixat {

int printEarlyExit(const EarlyExit& early) {
    std::fputs(early.text.toLocal8Bit().constData(), early.exitCode == 0 ? stdout : stderr);
    return early.exitCode;
}

EarlyExit usageError(const QString& program, const QString& usage, const QString& problem) {
    return {program + QStringLiteral(": ") + problem + u'\n' + usage +
                QStringLiteral("Try '%1 --help' for more information.\n").arg(program),
            kExitUsage};
}

CommandLine::CommandLine(const QString& program, const QString& version, const QString& usage,
                         const QString& about)
    : program_(program), version_(version), usage_(usage), about_(about) {
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOption(helpOption_);
    parser_.addOption(versionOption_);
}

void CommandLine::addOption(const QCommandLineOption& option, int rules) {
    parser_.addOption(option);
    if (!option.valueName().isEmpty())
        valueOptions_.append({option, rules});
}

std::optional<EarlyExit> CommandLine::checkValues() const {
    for (const auto& [option, rules] : valueOptions_) {
        const QStringList values = parser_.values(option);
        const QString name = QStringLiteral("--") + option.names().first();
        if (!(rules & MayBeEmpty) && values.contains(QString()))
            return usageError(option.valueName() == option.valueName().toUpper()
                                  ? QStringLiteral("%1 needs a %2.").arg(name, option.valueName())
                                  : QStringLiteral("%1 needs a value.").arg(name));
        if (!(rules & Repeatable) && values.size() > 1)
            return usageError(QStringLiteral("%1 is given twice.").arg(name));
    }
    return std::nullopt;
}

std::optional<EarlyExit> CommandLine::parse(const QStringList& arguments, bool takesArguments) {
    if (!parser_.parse(QStringList{program_} + arguments))
        return usageError(parser_.errorText());
    if (parser_.isSet(helpOption_))
        return EarlyExit{helpText(), 0};
    if (parser_.isSet(versionOption_))
        return EarlyExit{program_ + u' ' + version_ + u'\n', 0};
    if (auto refused = checkValues())
        return refused;
    const QStringList positional = parser_.positionalArguments();
    if (!takesArguments && !positional.isEmpty())
        return usageError(QStringLiteral("unexpected argument \"%1\".").arg(positional.first()));
    return std::nullopt;
}

// The parser's own help without its usage line, which names the program by the path it was
// started with.
QString CommandLine::helpText() const {
    const QString generated = parser_.helpText();
    return usage_ + u'\n' + about_ + u'\n' +
           generated.mid(generated.indexOf(QLatin1String("Options:")));
}

} // namespace tavixat
