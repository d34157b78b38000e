#include "SimOptions.h"

#include "CommandLine.h"

#include <QDir>
#include <limits>

namespace tavixat::sim {

namespace {

const char* const kDescription =
    "Serves a simulated TavixAT device on a pseudo-terminal, in real time.\n"
    "The path of the line to open is printed on standard output, on a line of its own,\n"
    "before anything else. Each command the device gets is logged on standard error with\n"
    "the time since start in seconds. With no option the device is healthy: firmware v2.0,\n"
    "name TavixAT, PIN 1234, 9600 baud, 1 stop bit, no parity, Slave, discoverable,\n"
    "PIN request on. Ctrl-C or SIGTERM stops it and removes the --link.\n"
    "\n"
    "A pseudo-terminal carries no RTS line: --answer-rts is accepted but has no effect here;\n"
    "it is meant for the tests' fake port. To make the device answer only the second series\n"
    "of pings of a connect, use --answer-ping-from 6.\n"
    "\n"
    "--jig seats modules one after another, as a production jig does, the first at start: each\n"
    "has its own address, is present for PRESENT_MS, then the jig is empty for ABSENT_MS; after\n"
    "the last it stays empty; ADDR - is no module. The log names the module seated at each "
    "command. The other\n"
    "options apply to every module, their times counted from when it is seated.";

struct NumberOption {
    const char* name;
    const char* description;
    const char* valueName;
    int lowest;
    int highest;
};

const NumberOption kAnswerPingFrom{"answer-ping-from",
                                   "Answer <PING> only from the n-th ping on (1: every ping).", "n",
                                   1, std::numeric_limits<int>::max()};
const NumberOption kLosePing{"lose-ping",
                             "Leave the n-th <PING> unanswered, as if its reply were lost.", "n", 1,
                             std::numeric_limits<int>::max()};
const NumberOption kLatency{"latency", "Wait this long before each reply starts.", "ms", 0,
                            std::numeric_limits<int>::max()};
const NumberOption kVersionDelay{"version-delay", "Answer <VERS> this much later still.", "ms", 0,
                                 std::numeric_limits<int>::max()};
const NumberOption kQueryDelay{"query-delay", "Answer <QUERY> this much later still.", "ms", 0,
                               std::numeric_limits<int>::max()};
const NumberOption kQueryFields{"query-fields", "Answer <QUERY> with only the first k fields.", "k",
                                0, 12};
const NumberOption kFieldInterval{"field-interval",
                                  "Send the fields of a reply one every m ms, not all at once.",
                                  "m", 0, std::numeric_limits<int>::max()};
const NumberOption kByteInterval{"byte-interval",
                                 "Send a reply one byte at a time, one every m ms.", "m", 0,
                                 std::numeric_limits<int>::max()};
const NumberOption kRunawayField{
    "runaway-field",
    "Answer <QUERY> with \"[\" and n bytes that never end in \"]\" (0: the normal answer).", "n", 0,
    std::numeric_limits<int>::max()};
const NumberOption kStopAfterCommands{"stop-after-commands",
                                      "Answer only the first n commands, then nothing.", "n", 0,
                                      std::numeric_limits<int>::max()};
const NumberOption kStopAfterMs{"stop-after-ms", "Stop answering t ms after start.", "t", 0,
                                std::numeric_limits<int>::max()};
const NumberOption kHangUpAfterCommands{
    "hang-up-after-commands",
    "Answer n commands; hang up (close the line, then exit) when the next one comes.", "n", 1,
    std::numeric_limits<int>::max()};
const NumberOption kHangUpAfterBytes{
    "hang-up-after-bytes",
    "Hang up (close the line, then exit) right after k bytes of replies, even mid-reply.", "k", 1,
    std::numeric_limits<int>::max()};
const NumberOption kHangUpAfterMs{"hang-up-after-ms",
                                  "Hang up (close the line, then exit) t ms after start.", "t", 0,
                                  std::numeric_limits<int>::max()};

const NumberOption* const kNumberOptions[] = {
    &kAnswerPingFrom,      &kLatency,          &kVersionDelay,  &kQueryDelay,        &kQueryFields,
    &kFieldInterval,       &kByteInterval,     &kRunawayField,  &kStopAfterCommands, &kStopAfterMs,
    &kHangUpAfterCommands, &kHangUpAfterBytes, &kHangUpAfterMs, &kLosePing,
};

int hexDigitValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

QCommandLineOption makeOption(const NumberOption& option) {
    return {QString::fromLatin1(option.name), QString::fromLatin1(option.description),
            QString::fromLatin1(option.valueName)};
}

std::optional<int> readNumber(const QCommandLineParser& parser, const NumberOption& option,
                              QString& error) {
    const QString name = QString::fromLatin1(option.name);
    if (!parser.isSet(name))
        return std::nullopt;
    const QString text = parser.value(name);
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < option.lowest || value > option.highest) {
        const QString range =
            option.highest == std::numeric_limits<int>::max()
                ? QStringLiteral("from %1 up").arg(option.lowest)
                : QStringLiteral("from %1 to %2").arg(option.lowest).arg(option.highest);
        error = QStringLiteral("--%1 takes a whole number %2, not \"%3\".").arg(name, range, text);
        return std::nullopt;
    }
    return value;
}

struct Parser {
    CommandLine commandLine{QStringLiteral("tavixat-sim"), QStringLiteral(TAVIXAT_VERSION),
                            QStringLiteral("Usage: tavixat-sim [options]\n"),
                            QString::fromLatin1(kDescription) + u'\n'};
    const QCommandLineParser& parser = commandLine.parser();
    QCommandLineOption link{QStringLiteral("link"),
                            QStringLiteral("Also make a symbolic link to the line at <path> "
                                           "(a link already there is replaced); removed on exit."),
                            QStringLiteral("path")};
    QCommandLineOption pace{
        QStringLiteral("pace"),
        QStringLiteral(
            "Send and take commands like a 9600-baud line: about 1.04 ms per byte each way; "
            "a command is logged when its last byte has arrived.")};
    QCommandLineOption air{
        QStringLiteral("air"),
        QStringLiteral("Simulated modules with the same <folder> see each other: each leaves its "
                       "settings there at start and after each <EXIT>, and a Master then links "
                       "to the Slave its address names when that one is discoverable and has "
                       "the same PIN code. The log says \"linked to ADDRESS\" or why it cannot "
                       "link; the Slave's says \"linked from ADDRESS\"."),
        QStringLiteral("folder")};
    QCommandLineOption silent{QStringLiteral("silent"),
                              QStringLiteral("No answer at all: a line with no device.")};
    QCommandLineOption answerRts{
        QStringLiteral("answer-rts"),
        QStringLiteral("Answer only while RTS is <state>: asserted or deasserted. No effect on a "
                       "pseudo-terminal (no RTS line); for the tests' fake port."),
        QStringLiteral("state")};
    QCommandLineOption firmware{QStringLiteral("firmware"),
                                QStringLiteral("Report <text> as the firmware version."),
                                QStringLiteral("text")};
    QCommandLineOption name{QStringLiteral("name"),
                            QStringLiteral("Start with <text> as the device name (any length)."),
                            QStringLiteral("text")};
    QCommandLineOption pin{QStringLiteral("pin"),
                           QStringLiteral("Start with <text> as the PIN code (any length)."),
                           QStringLiteral("text")};
    QCommandLineOption ownAddress{
        QStringLiteral("own-address"),
        QStringLiteral("Report <text> as the module's own address (any text)."),
        QStringLiteral("text")};
    QCommandLineOption master{
        QStringLiteral("master"),
        QStringLiteral("Start in the Master role, connecting to <address> (any text)."),
        QStringLiteral("address")};
    QCommandLineOption invisible{QStringLiteral("invisible"),
                                 QStringLiteral("Start invisible: not discoverable.")};
    QCommandLineOption noVersion{QStringLiteral("no-version"),
                                 QStringLiteral("Answer <VERS> with no field at all.")};
    QCommandLineOption lowerCaseAcks{
        QStringLiteral("lower-case-acks"),
        QStringLiteral("Acknowledge with \"ok\" and \"ready\" in lower case.")};
    QCommandLineOption refuse{
        QStringLiteral("refuse"),
        QStringLiteral("Answer the command with this keyword (NAME, PKEY, SBIT, MASTER, PIN_ON, "
                       "...) with [ERROR] and take nothing from it. May be given more than once."),
        QStringLiteral("keyword")};
    QCommandLineOption forget{
        QStringLiteral("forget"),
        QStringLiteral("Acknowledge the command with this keyword as usual, but keep nothing from "
                       "it. May be given more than once."),
        QStringLiteral("keyword")};
    QCommandLineOption noise{
        QStringLiteral("noise"),
        QStringLiteral("Send <bytes> between the fields of a reply, outside the brackets. "
                       "Escapes: \\r \\n \\t \\\\ \\xHH."),
        QStringLiteral("bytes")};

    QCommandLineOption jig{
        QStringLiteral("jig"),
        QStringLiteral("Seat modules one after another: ADDR (twelve hexadecimal digits) present "
                       "for PRESENT_MS, then none for ABSENT_MS, and so on."),
        QStringLiteral("ADDR:PRESENT_MS:ABSENT_MS,...")};

    Parser() {
        commandLine.addOption(link);
        commandLine.addOption(pace);
        commandLine.addOption(air);
        commandLine.addOption(silent);
        commandLine.addOption(answerRts);
        // A module's texts may be empty: that is a module worth trying.
        for (const QCommandLineOption* text : {&firmware, &name, &pin, &ownAddress, &master})
            commandLine.addOption(*text, CommandLine::MayBeEmpty);
        commandLine.addOption(invisible);
        commandLine.addOption(noVersion);
        for (const NumberOption* option : kNumberOptions)
            commandLine.addOption(makeOption(*option));
        commandLine.addOption(lowerCaseAcks);
        commandLine.addOption(noise);
        commandLine.addOption(refuse, CommandLine::Repeatable);
        commandLine.addOption(forget, CommandLine::Repeatable);
        commandLine.addOption(jig);
    }
};

// "\r", "\n", "\t", "\\" and "\xHH" as the bytes they stand for; other characters as Latin-1.
// Nullopt for an escape it does not know.
std::optional<QByteArray> decodeEscapes(const QString& text) {
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\') {
            bytes.append(char(c.toLatin1()));
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        const QChar e = text.at(i);
        if (e == u'r')
            bytes.append('\r');
        else if (e == u'n')
            bytes.append('\n');
        else if (e == u't')
            bytes.append('\t');
        else if (e == u'\\')
            bytes.append('\\');
        else if (e == u'x') {
            const int high = hexDigitValue(i + 1 < text.size() ? text.at(i + 1) : QChar());
            const int low = hexDigitValue(i + 2 < text.size() ? text.at(i + 2) : QChar());
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes.append(char(high * 16 + low));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

bool readNumbers(const Parser& p, DeviceFaults& faults, QString& error) {
    std::optional<int> n;
    if ((n = readNumber(p.parser, kAnswerPingFrom, error)))
        faults.answerPingFrom = *n;
    if ((n = readNumber(p.parser, kLatency, error)))
        faults.latencyMs = *n;
    if ((n = readNumber(p.parser, kVersionDelay, error)))
        faults.versionDelayMs = *n;
    if ((n = readNumber(p.parser, kQueryDelay, error)))
        faults.queryDelayMs = *n;
    if ((n = readNumber(p.parser, kQueryFields, error)))
        faults.queryFieldLimit = *n;
    if ((n = readNumber(p.parser, kFieldInterval, error)))
        faults.fieldIntervalMs = *n;
    if ((n = readNumber(p.parser, kByteInterval, error)))
        faults.byteIntervalMs = *n;
    if ((n = readNumber(p.parser, kRunawayField, error)))
        faults.runawayFieldBytes = *n;
    faults.lostPing = readNumber(p.parser, kLosePing, error);
    faults.stopAfterCommands = readNumber(p.parser, kStopAfterCommands, error);
    faults.stopAfterMs = readNumber(p.parser, kStopAfterMs, error);
    faults.hangUpAfterCommands = readNumber(p.parser, kHangUpAfterCommands, error);
    faults.hangUpAfterBytes = readNumber(p.parser, kHangUpAfterBytes, error);
    faults.hangUpAfterMs = readNumber(p.parser, kHangUpAfterMs, error);
    return error.isEmpty();
}

bool readRtsState(const Parser& p, DeviceFaults& faults, QString& error) {
    if (!p.parser.isSet(p.answerRts))
        return true;
    const QString state = p.parser.value(p.answerRts);
    if (state == QLatin1String("asserted"))
        faults.answerOnlyWithRts = true;
    else if (state == QLatin1String("deasserted"))
        faults.answerOnlyWithRts = false;
    else
        error = QStringLiteral("--answer-rts takes asserted or deasserted, not \"%1\".").arg(state);
    return error.isEmpty();
}

bool readNoise(const Parser& p, DeviceFaults& faults, QString& error) {
    if (!p.parser.isSet(p.noise))
        return true;
    const std::optional<QByteArray> bytes = decodeEscapes(p.parser.value(p.noise));
    if (!bytes) {
        error = QStringLiteral("--noise has an escape other than \\r \\n \\t \\\\ \\xHH.");
        return false;
    }
    faults.noise = *bytes;
    return true;
}

bool readJig(const Parser& p, QList<JigSlot>& jigSlots, QString& error) {
    if (!p.parser.isSet(p.jig))
        return true;
    const std::optional<QList<JigSlot>> read =
        parseJigSlots(p.parser.values(p.jig).join(u','), error);
    if (read)
        jigSlots = *read;
    return read.has_value();
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    Parser p;
    if (const auto early = p.commandLine.parse(arguments.mid(1), false))
        return {std::nullopt, *early};

    SimOptions options;
    QString error;
    if (!readNumbers(p, options.faults, error) || !readRtsState(p, options.faults, error) ||
        !readNoise(p, options.faults, error) || !readJig(p, options.jig, error))
        return {std::nullopt, p.commandLine.usageError(error)};
    options.linkPath = p.parser.value(p.link);
    options.pace = p.parser.isSet(p.pace);
    options.airFolder = p.parser.value(p.air);
    // Made here, so that modules started with a new folder see each other instead of nothing.
    if (!options.airFolder.isEmpty() && !QDir().mkpath(options.airFolder))
        return {std::nullopt, p.commandLine.usageError(
                                  QStringLiteral("--air %1 is not a folder that can be made.")
                                      .arg(options.airFolder))};
    options.faults.silent = p.parser.isSet(p.silent);
    options.faults.omitVersion = p.parser.isSet(p.noVersion);
    options.faults.lowerCaseAcks = p.parser.isSet(p.lowerCaseAcks);
    for (const QString& keyword : p.parser.values(p.refuse))
        options.faults.refusedKeywords.insert(keyword.toLatin1());
    for (const QString& keyword : p.parser.values(p.forget))
        options.faults.forgottenKeywords.insert(keyword.toLatin1());
    if (p.parser.isSet(p.firmware))
        options.settings.firmware = p.parser.value(p.firmware);
    if (p.parser.isSet(p.name))
        options.settings.name = p.parser.value(p.name);
    if (p.parser.isSet(p.pin))
        options.settings.pinCode = p.parser.value(p.pin);
    if (p.parser.isSet(p.ownAddress))
        options.settings.ownAddress = p.parser.value(p.ownAddress);
    if (p.parser.isSet(p.invisible))
        options.settings.visibility = QStringLiteral("INVISIBLE");
    if (p.parser.isSet(p.master)) {
        options.settings.role = QStringLiteral("MASTER");
        options.settings.remoteAddress = p.parser.value(p.master);
    }
    return {options, {}};
}

} // namespace tavixat::sim
