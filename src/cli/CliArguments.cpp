#include "CliArguments.h"

#include "DisplayText.h"
#include "IniFile.h"

#include <QFile>
#include <QSet>

namespace tavixat {

namespace {

const char* const kProgram = "tavixat-cli";

const char* const kUsage =
    "Usage: tavixat-cli [--port PORT] [--trace FILE] show [--json | --ini]\n"
    "       tavixat-cli [--port PORT] [--trace FILE] set KEY=VALUE... [--json | --ini]\n"
    "       tavixat-cli [--port PORT] [--trace FILE] apply FILE [--json | --ini]\n"
    "       tavixat-cli list-ports\n"
    "       tavixat-cli --help | --version\n";

const char* const kHelp =
    "Reads and writes the settings of a TavixAT module over a serial port, as the\n"
    "TavixAT Setup window does. Options may stand anywhere, as --port COM3 or --port=COM3.\n"
    "\n"
    "  show            print the module's settings\n"
    "  set KEY=VALUE   change settings, save them all and check them by reading back\n"
    "  apply FILE      the same with the settings of a file written by show --ini\n"
    "  list-ports      the ports COM1 to COM16 and the devices they open\n"
    "\n"
    "KEYs: name, pin, pin-request (on|off), baud (1200 ... 230400), stop-bits (1|2),\n"
    "parity (none|odd|even), role (master|slave), address (xxxx xx xx xxxx),\n"
    "discoverable (yes|no).\n"
    "\n"
    "Exit codes: 0 done, 1 usage error, 2 port not opened, 3 no reply from the module,\n"
    "4 firmware rejected, 5 a value refused before anything was sent, 6 not acknowledged,\n"
    "link lost, incomplete reply or a read-back that differs, 7 the results could not be\n"
    "written, 128+N stopped by signal N (a save that has begun is finished first).\n";

const QCommandLineOption kPortOption{
    QStringLiteral("port"),
    QStringLiteral("COM1 to COM16 or a device path; the default is the port that opened last."),
    QStringLiteral("PORT")};
const QCommandLineOption kTraceOption{
    QStringLiteral("trace"),
    QStringLiteral("Write what goes over the line to <FILE>, a line per event. The file holds "
                   "PIN codes: it is made readable by you alone."),
    QStringLiteral("FILE")};
const QCommandLineOption kJsonOption{
    QStringLiteral("json"), QStringLiteral("Print the module's settings as one JSON object.")};
const QCommandLineOption kIniOption{
    QStringLiteral("ini"),
    QStringLiteral("Print the module's writable settings as KEY=VALUE lines under [Module].")};

// A settings file is a few hundred bytes; anything this large is something else.
constexpr qint64 kMaxSettingsFileBytes = 64 * 1024;

CliArguments printText(const EarlyExit& early) {
    CliArguments parsed;
    parsed.early = early;
    return parsed;
}

CliArguments usageError(const QString& problem) {
    return printText(
        tavixat::usageError(QString::fromLatin1(kProgram), QString::fromLatin1(kUsage), problem));
}

// Every change must be one the window would take, before anything goes to the module.
QString checkChanges(const QList<Assignment>& changes) {
    ModuleSettings scratch;
    for (const Assignment& change : changes) {
        const QString problem = applySetting(scratch, change);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

// At most one byte more than a settings file may hold: a pipe (/dev/stdin, <(...)) tells no
// size up front, and a device such as /dev/zero never ends.
QByteArray readLimited(QFile& file) {
    QByteArray bytes;
    while (bytes.size() <= kMaxSettingsFileBytes) {
        const QByteArray piece = file.read(kMaxSettingsFileBytes + 1 - bytes.size());
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    return bytes;
}

CliArguments readApplyFile(const QString& path, CliArguments parsed) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return usageError(QStringLiteral("cannot read %1: %2.").arg(path, file.errorString()));
    const QByteArray bytes = readLimited(file);
    if (file.error() != QFileDevice::NoError)
        return usageError(QStringLiteral("cannot read %1: %2.").arg(path, file.errorString()));
    if (bytes.size() > kMaxSettingsFileBytes)
        return usageError(path + QStringLiteral(" is not a settings file: it is larger than "
                                                "64 KiB."));
    QString error;
    const auto assignments = parseIni(QString::fromUtf8(bytes), error);
    if (!assignments)
        return usageError(path + QStringLiteral(", ") + error);
    if (assignments->isEmpty())
        return usageError(path + QStringLiteral(" has no settings under [Module]."));
    parsed.session.changes = *assignments;
    return parsed;
}

} // namespace

CliArguments parseCliArguments(const QStringList& arguments) {
    CommandLine commandLine(QString::fromLatin1(kProgram), QStringLiteral(TAVIXAT_VERSION),
                            QString::fromLatin1(kUsage), QString::fromLatin1(kHelp));
    for (const QCommandLineOption* option :
         {&kPortOption, &kTraceOption, &kJsonOption, &kIniOption})
        commandLine.addOption(*option);
    if (const auto early = commandLine.parse(arguments, true))
        return printText(*early);
    const QCommandLineParser& options = commandLine.parser();
    QStringList args = options.positionalArguments();
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given."));
    const QString command = args.takeFirst();

    CliArguments parsed;
    parsed.command = CliArguments::Command::Session;
    parsed.session.port = options.value(kPortOption);
    parsed.session.tracePath = options.value(kTraceOption);
    if (options.isSet(kJsonOption) && options.isSet(kIniOption))
        return usageError(QStringLiteral("--json and --ini do not go together."));
    if (options.isSet(kJsonOption))
        parsed.session.format = SessionRequest::Format::Json;
    else if (options.isSet(kIniOption))
        parsed.session.format = SessionRequest::Format::Ini;

    if (command == QLatin1String("list-ports")) {
        if (!args.isEmpty() || !options.optionNames().isEmpty())
            return usageError(QStringLiteral("list-ports takes no port and no options."));
        parsed.command = CliArguments::Command::ListPorts;
        return parsed;
    }
    if (command == QLatin1String("show")) {
        if (!args.isEmpty())
            return usageError(QStringLiteral("show takes --json or --ini, not %1.")
                                  .arg(quotedValue(args.first())));
        return parsed;
    }
    if (command == QLatin1String("set")) {
        if (args.isEmpty())
            return usageError(QStringLiteral("set needs at least one KEY=VALUE."));
        QSet<QString> keys;
        for (const QString& arg : args) {
            const auto assignment = splitAssignment(arg);
            if (!assignment)
                return usageError(QStringLiteral("%1 is not KEY=VALUE.").arg(quotedValue(arg)));
            if (keys.contains(assignment->key))
                return usageError(
                    QStringLiteral("%1 is given twice.").arg(quotedValue(assignment->key)));
            keys.insert(assignment->key);
            parsed.session.changes << *assignment;
        }
    } else if (command == QLatin1String("apply")) {
        if (args.size() != 1)
            return usageError(QStringLiteral("apply takes one FILE."));
        parsed = readApplyFile(args.first(), parsed);
        if (parsed.command != CliArguments::Command::Session)
            return parsed;
    } else {
        return usageError(QStringLiteral("unknown command %1.").arg(quotedValue(command)));
    }
    const QString problem = checkChanges(parsed.session.changes);
    return problem.isEmpty() ? parsed : usageError(problem);
}

} // namespace tavixat
