#include "CliArguments.h"

#include "DisplayText.h"
#include "IniFile.h"

#include <QSet>

namespace tavixat {

namespace {

const char* const kProgram = "tavixat-cli";

const char* const kUsage =
    "Usage: tavixat-cli [--port PORT] [--trace FILE] show [--json | --ini]\n"
    "       tavixat-cli [--port PORT] [--trace FILE] set KEY=VALUE... [--json | --ini]\n"
    "       tavixat-cli [--port PORT] [--trace FILE] apply FILE [--json | --ini]\n"
    "       tavixat-cli pair --master PORT --slave PORT [--pin PIN] [--json]\n"
    "       tavixat-cli list-ports\n"
    "       tavixat-cli provision PROFILE (--port PORT... | --all) [--report FILE]\n"
    "                   [--count N] [--first N] [--again] [--pairs]\n"
    "                   [--database URL [--batch NAME]]\n"
    "       tavixat-cli report --database URL [--batch NAME]\n"
    "       tavixat-cli --help | --version\n";

const char* const kHelp =
    "Reads and writes the settings of a TavixAT module over a serial port, as the\n"
    "TavixAT Setup window does. Options may stand anywhere, as --port COM3 or --port=COM3.\n"
    "\n"
    "  show            print the module's settings\n"
    "  set KEY=VALUE   change settings, save them all and check them by reading back\n"
    "  apply FILE      the same with the settings of a file written by show --ini\n"
    "  pair            make two modules the ends of one link: the Slave discoverable, the\n"
    "                  Master's address the Slave's own, the same PIN code and PIN request on\n"
    "  list-ports      the ports COM1 to COM16 and the devices they open\n"
    "  provision PROFILE  configure module after module on each station (--port, repeated,\n"
    "                  or --all adapters under /dev/serial/by-id) with the settings of\n"
    "                  PROFILE, a show --ini file whose name and pin may hold {n}, {n:W},\n"
    "                  {addr}, {addr:K} and {random:D}; each module gets a row in the report\n"
    "                  (and, with --database, in a PostgreSQL database that several PCs share);\n"
    "                  with --pairs, the ports go two by two, a Master's jig and a Slave's,\n"
    "                  and each kit of two is paired under one unit number, {role} M or S\n"
    "  report          print the rows of the database's batches (or of --batch) as CSV\n"
    "\n"
    "KEYs: name, pin, pin-request (on|off), baud (1200 ... 230400), stop-bits (1|2),\n"
    "parity (none|odd|even), role (master|slave), address (xxxx xx xx xxxx),\n"
    "discoverable (yes|no).\n"
    "\n"
    "Exit codes: 0 done, 1 usage error, 2 port not opened, 3 no reply from the module,\n"
    "4 firmware rejected, 5 a value refused before anything was sent, 6 not acknowledged,\n"
    "link lost, incomplete reply or a read-back that differs, 7 the results could not be\n"
    "written, 128+N stopped by signal N (a save that has begun is finished first).\n"
    "provision exits 0 when every module is ok or skipped, 6 when one failed, 1 for a\n"
    "usage error, a refused profile or a --first the report has given, 2 when no\n"
    "station's port opened, 7 when the report cannot be written or the database cannot\n"
    "be reached at the start, or when rows never reached it.\n";

const QCommandLineOption kPortOption{
    QStringLiteral("port"),
    QStringLiteral("COM1 to COM16 or a device path; the default is the port that opened last."),
    QStringLiteral("PORT")};
const QCommandLineOption kTraceOption{
    QStringLiteral("trace"),
    QStringLiteral("Write what goes over the line to <FILE>, a line per event. The file holds "
                   "PIN codes: it is made readable by you alone."),
    QStringLiteral("FILE")};
const QCommandLineOption kAllOption{
    QStringLiteral("all"),
    QStringLiteral("provision: every adapter under /dev/serial/by-id is a station, those plugged "
                   "in later too.")};
const QCommandLineOption kReportOption{
    QStringLiteral("report"),
    QStringLiteral("provision: append the rows to <FILE> (default tavixat-report.csv)."),
    QStringLiteral("FILE")};
const QCommandLineOption kCountOption{
    QStringLiteral("count"),
    QStringLiteral("provision: end after <N> modules ok (with --pairs, N kits)."),
    QStringLiteral("N")};
const QCommandLineOption kFirstOption{
    QStringLiteral("first"),
    QStringLiteral("provision: number units from <N> (default: on from the report)."),
    QStringLiteral("N")};
const QCommandLineOption kAgainOption{
    QStringLiteral("again"),
    QStringLiteral("provision: configure modules the report has as ok as well.")};
const QCommandLineOption kDatabaseOption{
    QStringLiteral("database"),
    QStringLiteral("provision, report: the PostgreSQL database of the production, as a URL "
                   "postgresql://[user@]host[:port]/dbname, without a password (~/.pgpass)."),
    QStringLiteral("URL")};
const QCommandLineOption kBatchOption{
    QStringLiteral("batch"),
    QStringLiteral("provision, report: the batch whose units are numbered together (default: "
                   "the profile's file name without its extension)."),
    QStringLiteral("NAME")};
const QCommandLineOption kPairsOption{
    QStringLiteral("pairs"),
    QStringLiteral("provision: the ports are a Master's jig and a Slave's, two by two; each kit "
                   "of two modules is paired and shares one unit.")};
const QCommandLineOption kMasterOption{
    QStringLiteral("master"), QStringLiteral("pair: the port of the module made the Master."),
    QStringLiteral("PORT")};
const QCommandLineOption kSlaveOption{
    QStringLiteral("slave"), QStringLiteral("pair: the port of the module made the Slave."),
    QStringLiteral("PORT")};
const QCommandLineOption kPinOption{
    QStringLiteral("pin"),
    QStringLiteral("pair: the PIN code of both (default: the Slave's, or six random digits)."),
    QStringLiteral("PIN")};
const QCommandLineOption kJsonOption{
    QStringLiteral("json"), QStringLiteral("Print the module's settings as one JSON object.")};
const QCommandLineOption kIniOption{
    QStringLiteral("ini"),
    QStringLiteral("Print the module's writable settings as KEY=VALUE lines under [Module].")};

CliArguments printText(const EarlyExit& early) {
    CliArguments parsed;
    parsed.early = early;
    return parsed;
}

CliArguments usageError(const QString& problem) {
    return printText(
        tavixat::usageError(QString::fromLatin1(kProgram), QString::fromLatin1(kUsage), problem));
}

CliArguments readApplyFile(const QString& path, CliArguments parsed) {
    QString error;
    const auto assignments = readIniFile(path, error);
    if (!assignments)
        return usageError(error);
    parsed.session.changes = *assignments;
    return parsed;
}

// A whole number from 1 to kHighestUnit, far below where a unit and a count added could overflow;
// 0 when the option is not given; -1 when it is not one.
int positiveNumber(const QCommandLineParser& options, const QCommandLineOption& option) {
    if (!options.isSet(option))
        return 0;
    bool ok = false;
    const int number = options.value(option).toInt(&ok);
    return ok && number >= 1 && number <= kHighestUnit ? number : -1;
}

CliArguments parseProvision(const QCommandLineParser& options, const QStringList& args) {
    for (const QCommandLineOption* option : {&kTraceOption, &kJsonOption, &kIniOption})
        if (options.isSet(*option))
            return usageError(
                QStringLiteral("provision takes no --%1.").arg(option->names().first()));
    if (args.size() != 1)
        return usageError(QStringLiteral("provision takes one PROFILE."));
    CliArguments parsed;
    parsed.command = CliArguments::Command::Provision;
    ProvisionRequest& p = parsed.provision;
    p.profilePath = args.first();
    p.ports = options.values(kPortOption);
    p.all = options.isSet(kAllOption);
    if (p.all == !p.ports.isEmpty())
        return usageError(QStringLiteral("provision takes --port PORT (one or more) or --all."));
    if (options.isSet(kReportOption))
        p.reportPath = options.value(kReportOption);
    p.count = positiveNumber(options, kCountOption);
    p.first = positiveNumber(options, kFirstOption);
    if (p.count < 0 || p.first < 0)
        return usageError(QStringLiteral("--count and --first take a whole number from 1 to %1.")
                              .arg(kHighestUnit));
    p.again = options.isSet(kAgainOption);
    p.pairs = options.isSet(kPairsOption);
    if (p.pairs && (p.all || p.ports.size() % 2 != 0))
        return usageError(QStringLiteral("--pairs takes the ports two by two, a Master's and a "
                                         "Slave's: --port MASTER --port SLAVE ..."));
    p.databaseUrl = options.value(kDatabaseOption);
    p.batch = options.value(kBatchOption);
    if (options.isSet(kBatchOption) && p.databaseUrl.isEmpty())
        return usageError(QStringLiteral("--batch goes with --database."));
    return parsed;
}

CliArguments parsePair(const QCommandLineParser& options, const QStringList& args) {
    if (!args.isEmpty())
        return usageError(QStringLiteral("pair takes no %1.").arg(quotedValue(args.first())));
    for (const QString& name : options.optionNames())
        if (!QStringList{"master", "slave", "pin", "json"}.contains(name))
            return usageError(QStringLiteral("pair takes no --%1.").arg(name));
    if (!options.isSet(kMasterOption) || !options.isSet(kSlaveOption))
        return usageError(QStringLiteral("pair needs --master PORT and --slave PORT."));
    CliArguments parsed;
    parsed.command = CliArguments::Command::Pair;
    parsed.pair = {options.value(kMasterOption), options.value(kSlaveOption),
                   options.value(kPinOption), options.isSet(kJsonOption)};
    if (!options.isSet(kPinOption))
        return parsed;
    const QString problem = checkChanges({{QStringLiteral("pin"), parsed.pair.pin}});
    return problem.isEmpty() ? parsed : usageError(problem);
}

CliArguments parseReport(const QCommandLineParser& options, const QStringList& args) {
    if (!args.isEmpty())
        return usageError(QStringLiteral("report takes no %1.").arg(quotedValue(args.first())));
    for (const QString& name : options.optionNames())
        if (name != QLatin1String("database") && name != QLatin1String("batch"))
            return usageError(QStringLiteral("report takes no --%1.").arg(name));
    if (!options.isSet(kDatabaseOption))
        return usageError(QStringLiteral("report needs --database URL."));
    CliArguments parsed;
    parsed.command = CliArguments::Command::Report;
    parsed.provision.databaseUrl = options.value(kDatabaseOption);
    parsed.provision.batch = options.value(kBatchOption);
    return parsed;
}

} // namespace

CliArguments parseCliArguments(const QStringList& arguments) {
    CommandLine commandLine(QString::fromLatin1(kProgram), QStringLiteral(TAVIXAT_VERSION),
                            QString::fromLatin1(kUsage), QString::fromLatin1(kHelp));
    // provision takes a station per --port; the other commands refuse a second one below.
    commandLine.addOption(kPortOption, CommandLine::Repeatable);
    for (const QCommandLineOption* option :
         {&kTraceOption, &kJsonOption, &kIniOption, &kAllOption, &kReportOption, &kCountOption,
          &kFirstOption, &kAgainOption, &kDatabaseOption, &kBatchOption, &kPairsOption,
          &kMasterOption, &kSlaveOption, &kPinOption})
        commandLine.addOption(*option);
    if (const auto early = commandLine.parse(arguments, true))
        return printText(*early);
    const QCommandLineParser& options = commandLine.parser();
    QStringList args = options.positionalArguments();
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given."));
    const QString command = args.takeFirst();

    if (command == QLatin1String("provision"))
        return parseProvision(options, args);
    if (command == QLatin1String("report"))
        return parseReport(options, args);
    if (command == QLatin1String("pair"))
        return parsePair(options, args);
    for (const QCommandLineOption* option : {&kMasterOption, &kSlaveOption, &kPinOption})
        if (options.isSet(*option))
            return usageError(
                QStringLiteral("--%1 is for pair only.").arg(option->names().first()));
    for (const QCommandLineOption* option :
         {&kAllOption, &kReportOption, &kCountOption, &kFirstOption, &kAgainOption, &kPairsOption,
          &kDatabaseOption, &kBatchOption})
        if (options.isSet(*option))
            return usageError(QStringLiteral("--%1 is for provision%2 only.")
                                  .arg(option->names().first(),
                                       option == &kDatabaseOption || option == &kBatchOption
                                           ? QStringLiteral(" and report")
                                           : QString()));
    if (options.values(kPortOption).size() > 1)
        return usageError(QStringLiteral("give one --port."));

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
