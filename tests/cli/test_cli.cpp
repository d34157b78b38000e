#include "PseudoTerminal.h"
#include "Signals.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kFreshIni = "[Module]\nname=TavixAT\npin=1234\npin-request=on\nbaud=9600\n"
                              "stop-bits=1\nparity=none\nrole=slave\ndiscoverable=yes\n";

// The commands a simulator's log says it heard, in order ("<SBIT=2>").
QStringList heardCommands(const QString& log) {
    static const QRegularExpression heard("^ *[0-9.]+  (<.*?>)(  |$)",
                                          QRegularExpression::MultilineOption);
    QStringList commands;
    for (const QRegularExpressionMatch& match : heard.globalMatch(log))
        commands << match.captured(1);
    return commands;
}

bool isSetCommand(const QString& command) {
    return !QStringList{"<PING>", "<VERS>", "<QUERY>", "<EXIT>"}.contains(command);
}

} // namespace

// tavixat-cli against tavixat-sim on a pseudo-terminal, with a settings folder of its own; and
// the quoting of ini values on its own.
class TestCli : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void pair_data();
    void pair();
    void refusesAtOnce_data();
    void refusesAtOnce();
    void windowTrace();
};

void TestCli::commands_data() {
    QTest::addColumn<QStringList>("simOptions");
    // The settings file. A run gets "--port" and the simulator's line when it names no port
    // and the row gives no settings file.
    QTest::addColumn<QString>("conf");
    QTest::addColumn<QString>("file"); // written to <file> first, and fed to standard input
    // " && " between runs; <file>: the file above; <line>: the simulator's line; "> PATH",
    // "2> PATH" and "2> tty" at the end send standard output or error there.
    QTest::addColumn<QString>("runs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");           // contained in what the last run wrote
    QTest::addColumn<QStringList>("lastHeard"); // the simulator's last commands, when given
    const auto row = [](const char* name, QStringList sim, QString runs, int code, QString out,
                        QString file = {}, QString conf = {}, QStringList lastHeard = {}) {
        QTest::newRow(name) << sim << conf << file << runs << code << out << lastHeard;
    };
    const QString com3 = "[Ports]\nCOM3=<line>\n";
    // Every key a script reads, with its type.
    row("set, then show --json", {}, "set name=Unit-7 pin=2468 && show --json", 0, R"({
    "address": "0000 00 00 0000",
    "baud": 9600,
    "discoverable": true,
    "firmware": "v2.0",
    "name": "Unit-7",
    "own_address": "00ba 5e 12 3456",
    "parity": "none",
    "pin": "2468",
    "pin_request": true,
    "role": "slave",
    "stop_bits": 1
}
)");
    row("show --ini", {}, "show --ini", 0, kFreshIni);
    row("show, every label", {}, "show", 0,
        "=name: TavixAT\npin: 1234\npin-request: on\nbaud: 9600\nstop-bits: 1\nparity: none\n"
        "role: slave\naddress: 0000 00 00 0000\ndiscoverable: yes\nown address: 00ba 5e 12 "
        "3456\nfirmware: v2.0\n");
    row("apply a Master's settings", {}, "apply <file> && show --ini", 0,
        "pin-request=off\nbaud=9600\nstop-bits=1\nparity=even\nrole=master\naddress=0011 22 33 "
        "4455\ndiscoverable=yes",
        "[Module]\n; copied\nrole=master\naddress=001122334455\npin-request=off\n"
        "discoverable=yes\nparity=even\n");
    row("exact round trip", {"--name", " a=b;#c ", "--pin", "\"\\;# "},
        "show --ini > <file> && apply <file> && show --json", 0,
        "\"name\": \" a=b;#c \",\n    \"own_address\": \"00ba 5e 12 3456\",\n    \"parity\": "
        "\"none\",\n    \"pin\": \"\\\"\\\\;# \"");
    // Quoted values: control characters written as escapes, and read back from them.
    row("show --ini quotes", {"--name", "\t\x01\x1b\x7f\u009b\"q\\"}, "show --ini", 0,
        "name=\"\\t\\x01\\x1b\\x7f\\x9b\\\"q\\\\\"\n");
    row("apply reads escapes", {}, "apply <file>", 1, "pin: \"1\\t\\x01\" holds \"\\t\"",
        "[Module]\npin=\"\\x31\\t\\x01\"\n");
    row("apply from a pipe", {}, "apply /dev/stdin && show", 0, "name: piped\n",
        "[Module]\nname=piped\n");
    row("apply 64 KiB", {}, "apply <file> && show", 0, "name: big\n",
        "[Module]\nname=big\n;" + QString(65536 - 20, u'x') + '\n');
    // Which device each form of --port opens.
    row("--port=COMn after the command is remembered, a path not", {},
        "show --port=COM3 && --port <line> show && show", 0, "name: TavixAT", {}, com3);
    row("the stored port", {}, "show", 0, "name: TavixAT", {}, "[Properties]\nCommPort=3\n" + com3);
    // A trace: the file made the owner's alone, bytes escaped; one that cannot be made stops all.
    row("trace", {"--name", "\t\x1b\\"}, "show --trace=<file>", 0,
        "<- [\\t\\x1b\\\\][1234][9600][1][N][SLAVE][][00ba 5e 12 3456][SPP][DISCOVERABLE][PIN_ON]"
        "[v2.0]\\r\\n\n",
        "old");
    row("progress names the port", {}, "--port COM3 set pin=2468 2> tty", 0,
        "Connecting to COM3 … found after 1 ping\r\nSaving 8 settings … done", {}, com3);
    // Refused before the port opens.
    row("unknown key", {}, "set colour=red", 1, "unknown key \"colour\"");
    row("baud rate off the list", {}, "set baud=12345", 1, "baud: \"12345\" is not a valid");
    row("name longer than the box", {}, "set name=" + QString(60, u'n'), 1,
        "name: \"" + QString(40, u'n') + "…\" has 60 characters; it must have 1 to 14.");
    row("bracket in a name", {}, "set pin-request=on name=a]b", 1,
        "name: \"a]b\" holds \"]\", a character the module cannot take");
    row("control character in a PIN", {}, "set pin=1\t2", 1, "pin: \"1\\t2\" holds \"\\t\"");
    row("letter outside ASCII", {}, "set name=Unité", 1, "holds \"é\"");
    row("colon in an address", {}, "set address=00:11:22:33:44:55", 1, "holds \":\"");
    row("a key twice on the line", {}, "set name=a name=b", 1, "\"name\" is given twice.");
    row("a key twice in a file", {}, "apply <file>", 1,
        "line 3: \"name\" is given twice (first on line 2).", "[Module]\nname=a\n name = b\n");
    row("quote not closed", {}, "apply <file>", 1,
        "line 2: expected KEY=VALUE under [Module], "
        "not \"name=\\\"a\"",
        "[Module]\nname=\"a\n");
    row("apply a file of another kind", {}, "apply <file>", 1, "line 1: only a [Module]",
        "[Ports]\nCOM1=/dev/ttyUSB0\n");
    row("apply a file over 64 KiB", {}, "apply <file>", 1, "is not a settings file",
        "[Module]\nname=big\n;" + QString(65536 - 19, u'x') + '\n');
    row("apply an endless device", {}, "apply /dev/zero", 1,
        "/dev/zero is not a settings file: it is larger than 64 KiB.");
    // Exit codes past a refusal.
    row("no such port", {}, "--port /none/tty show", 2,
        "ERROR, Check /none/tty!\n/none/tty: there is no such device");
    row("no version reply", {"--no-version"}, "show", 3, "No reply from device!");
    row("firmware rejected, escaped",
        {"--firmware", "v1.0\x1b"
                       "c"},
        "show", 4, "Invalid firmware version (v1.0\\x1bc)");
    row("address of a Slave", {}, "set address=001122334455", 5,
        "the address is saved only with role=master");
    row("PIN request locked on", {"--firmware", "v1.5"}, "set pin-request=off", 5,
        "Nothing was saved: firmware v1.5 keeps the PIN request on.");
    row("incomplete reply", {"--query-fields", "3"}, "show", 6, "Only 3 of the 12 settings");
    row("link lost in the query", {"--hang-up-after-commands", "2"}, "show", 6,
        "the device is gone (unplugged or hung up).");
    // A save command refused: the save stops there, and only "<EXIT>" follows.
    const struct {
        const char* keyword;
        const char* runs;
        const char* key;
        const char* command;
    } refusals[] = {
        {"NAME", "set stop-bits=2", "name", "<NAME=TavixAT>"},
        {"PRTY", "set stop-bits=2", "parity", "<PRTY=N>"},
        {"ADDR", "set role=master address=001122334455", "address", "<ADDR=0011 22 33 4455>"},
        {"DISCOVERABLE", "set stop-bits=2", "discoverable", "<DISCOVERABLE>"},
        {"PIN_OFF", "set pin-request=off", "pin-request", "<PIN_OFF>"},
    };
    for (const auto& r : refusals) {
        QTest::newRow(qPrintable(QStringLiteral("%1 refused").arg(r.keyword)))
            << QStringList{"--refuse", r.keyword} << QString() << QString() << r.runs << 6
            << QStringLiteral("=The module refused the %1 setting. The settings after it were "
                              "not sent, those before it may have been saved.\n")
                   .arg(r.key)
            << QStringList{r.command, "<EXIT>"};
    }
    // Told to stop ("! COMMAND SIGNALS": once the module heard the command): a save ends
    // first, unless a second signal comes; a module that answered is told "<EXIT>".
    row("SIGINT while no module answers", {"--silent"}, "show ! <PING> INT", 130,
        "stopped by SIGINT.\n", {}, {}, {"<PING>"});
    row("SIGHUP while the version comes", {"--version-delay", "400"}, "show ! <VERS> HUP", 129,
        "stopped by SIGHUP.\n", {}, {}, {"<VERS>", "<EXIT>"});
    row("SIGTERM in a save", {"--latency", "200"}, "set name=Sig ! <NAME=Sig> TERM", 143,
        "stopped by SIGTERM after the save: the settings were saved.\n", {}, {},
        {"<PIN_ON>", "<EXIT>"});
    row("SIGINT between the version and the query", {"--latency", "300"}, "show ! <VERS> INT", 130,
        "stopped by SIGINT.\n", {}, {}, {"<VERS>", "<EXIT>"});
    row("a second signal cuts the save, and is named", {"--latency", "200"},
        "set name=Sig ! <NAME=Sig> INT TERM", 143,
        "stopped by SIGTERM during the save.\nThe settings may be only partly saved: connect "
        "again and check them.\n",
        {}, {}, {"<QUERY>", "<NAME=Sig>"});
    row("output to a closed pipe", {}, "show > closed", 141, "stopped by SIGPIPE.\n", {}, {},
        {"<QUERY>", "<EXIT>"});
    // Module text on a terminal, and output that cannot be written.
    row("control characters shown escaped", {"--name", "a\x1bzb\\"}, "show", 0,
        "name: a\\x1bzb\\\\\n");
    row("JSON as it is", {"--name", "a\x1bzb"}, "show --json", 0, "\"name\": \"a\\u001bzb\"");
    row("standard output full", {}, "show --ini > /dev/full", 7, "the results could not be written",
        {}, {}, {"<QUERY>", "<EXIT>"});
    row("standard error full", {}, "set pin=2468 2> /dev/full", 7, "pin: 2468\n", {}, {},
        {"<QUERY>", "<EXIT>"});
    row("a trace that cannot be written does not cut the save", {},
        "set name=Full --trace /dev/full", 7,
        "tavixat-cli: The trace /dev/full could not be written: No space left on device.\n", {}, {},
        {"<PIN_ON>", "<QUERY>", "<EXIT>"});
    row("acknowledged, not kept", {"--forget", "NAME"}, "set name=Lost", 6,
        "Read back: name is \"TavixAT\", not the \"Lost\" that was saved.\n");
    // Values half given: refused, and nothing opens ("-" stands for an empty argument).
    row("--port empty", {}, "--port - set name=X", 1, "tavixat-cli: --port needs a PORT.\n");
    row("--port= empty", {}, "--port= show", 1, "tavixat-cli: --port needs a PORT.\n");
    row("--trace= empty", {}, "--trace= show", 1, "tavixat-cli: --trace needs a FILE.\n");
}

void TestCli::commands() {
    QFETCH(QStringList, simOptions);
    QFETCH(QString, conf);
    QFETCH(QString, file);
    QFETCH(QString, runs);
    QFETCH(QString, out);
    QFETCH(QStringList, lastHeard);
    QTemporaryDir dir;
    const QString line = dir.filePath("line"), path = dir.filePath("unit.ini");
    QProcess sim;
    sim.start(TAVIXAT_SIM_PATH, QStringList{"--link", line} + simOptions);
    QVERIFY(sim.waitForReadyRead(5000) && QFileInfo::exists(line));
    QFile ini(path), settings(dir.filePath("TavixAT Setup.conf"));
    QVERIFY(ini.open(QIODevice::WriteOnly) && settings.open(QIODevice::WriteOnly));
    ini.write(file.toUtf8()), settings.write(QString(conf).replace("<line>", line).toUtf8());
    ini.close(), settings.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("TAVIXAT_SERIAL_BY_ID", dir.filePath("by-id")); // no adapters of this machine
    QString said, log;
    qsizetype heardBefore = 0;
    int exitCode = -1;
    const QStringList runList = QString(runs).replace("<line>", line).split(" && ");
    for (const QString& run : runList) {
        QStringList args = run.split(u' ').replaceInStrings("<file>", path), stops;
        args.replaceInStrings(QRegularExpression("^-$"), QString());
        if (const qsizetype at = args.indexOf("!"); at >= 0)
            stops = args.mid(at + 1), args = args.mid(0, at);
        QProcess cli, reader;
        PseudoTerminal terminal;
        cli.setProcessEnvironment(env);
        QString target;
        if (args.size() > 2 && args.at(args.size() - 2).endsWith(u'>')) {
            target = args.last() == "tty" ? terminal.path() : args.last();
            if (target == "closed") // a reader that is gone at once
                cli.setStandardOutputProcess(&reader), reader.start("true", {});
            else
                args.at(args.size() - 2) == ">" ? cli.setStandardOutputFile(target)
                                                : cli.setStandardErrorFile(target);
            args = args.mid(0, args.size() - 2);
        }
        if (conf.isEmpty() && !args.contains("--port"))
            args = QStringList{"--port", line} + args;
        log += sim.readAllStandardError();
        heardBefore = heardCommands(log).size();
        cli.start(TAVIXAT_CLI_PATH, args);
        cli.write(file.toUtf8()), cli.closeWriteChannel();
        if (!stops.isEmpty())
            QVERIFY(QTest::qWaitFor(
                [&] {
                    sim.waitForReadyRead(10), log += sim.readAllStandardError();
                    return heardCommands(log).mid(heardBefore).contains(stops.first());
                },
                8000));
        QVERIFY(sendInTurn(cli.processId(), stops.mid(1)));
        QVERIFY(cli.state() == QProcess::NotRunning || cli.waitForFinished(15000));
        // Qt keeps a lock file per port name while the port is open: none outlives the program.
        for (const char* folder : {"/var/lock", "/tmp"})
            QCOMPARE(QDir(folder).entryList({"LCK..*" + QDir(dir.path()).dirName() + "*"}),
                     QStringList());
        exitCode = cli.exitCode();
        said = cli.readAllStandardOutput() + cli.readAllStandardError() + terminal.take();
        if (QFile trace(path); run.contains("--trace=<file>")) {
            QCOMPARE(int(trace.permissions()), 0x6600);
            said += trace.open(QIODevice::ReadOnly) ? trace.readAll() : QByteArray();
        }
        if (&run != &runList.last() && exitCode != 0) // all but the last succeed
            QFAIL(qPrintable(said));
    }
    // The last commands may still be on their way to the simulator's log.
    const auto lastCommands = [&] {
        const QStringList heard = heardCommands(log).mid(heardBefore);
        return heard.mid(heard.size() - lastHeard.size());
    };
    // By time, not by reads: a loaded machine hands the log over in many small pieces.
    for (QDeadlineTimer until(5000); lastCommands() != lastHeard && !until.hasExpired();)
        sim.waitForReadyRead(100), log += sim.readAllStandardError();
    sim.waitForReadyRead(100), log += sim.readAllStandardError();
    sim.kill(), sim.waitForFinished();

    QTEST(exitCode, "exitCode");
    if (out.startsWith(u'='))
        QCOMPARE(said, out.mid(1));
    else
        QVERIFY2(said.contains(out), qPrintable(said));
    const QStringList heard = heardCommands(log).mid(heardBefore);
    QCOMPARE(lastCommands(), lastHeard);
    if (exitCode == 1) // refused before the port opened
        QCOMPARE(heard, QStringList());
    if (exitCode == 5) // refused before anything was sent
        QVERIFY2(std::none_of(heard.begin(), heard.end(), isSetCommand), qPrintable(log));
}

// pair against two simulators on one --air: the result, what each module heard, and a second run
// (faulty simulators started again healthy) that leaves them linked.
void TestCli::pair_data() {
    QTest::addColumn<QStringList>("slaveSim");
    QTest::addColumn<QStringList>("masterSim");
    QTest::addColumn<QString>("pinOption");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // the last line of standard error
    const QString half = "Not paired: the Slave is set up; the Master was not saved: run the same "
                         "command again.";
    const QString none = "Not paired: nothing was saved.";
    const auto row = [](const char* name, QStringList slave, QStringList master, int code,
                        QString said, QString pin = {}) {
        QTest::newRow(name) << slave << master << pin << code << said;
    };
    row("paired, the PIN asked for", {}, {}, 0, "Settings saved!", "9876");
    row("an invisible Master of another made discoverable Slave, with its PIN",
        {"--invisible", "--master", "00ffee123456"}, {}, 0, "Settings saved!");
    row("a Slave's PIN the modules cannot take: six random digits", {"--pin", "1<2"}, {}, 0,
        "Settings saved!");
    row("Slave silent", {"--silent"}, {}, 3, none);
    row("Master silent: the Slave is left as it was", {}, {"--silent"}, 3, none);
    row("Slave refuses the PIN request", {"--refuse", "PIN_ON"}, {}, 6,
        "Not paired: the Slave may be partly set up; the Master was not saved: run the same "
        "command again.");
    row("Master refuses its address", {}, {"--refuse", "ADDR"}, 6, half);
    row("Master unplugged after the Slave's save", {}, {"--hang-up-after-commands", "3"}, 6, half);
    row("Slave's own address no address", {"--own-address", "00ba 5e 12"}, {}, 5, none);
    row("one own address for both", {}, {"--own-address", "00ba5e123456"}, 1, none);
}

void TestCli::pair() {
    QFETCH(QStringList, slaveSim);
    QFETCH(QStringList, masterSim);
    QFETCH(QString, pinOption);
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    QProcess sims[2]; // the Slave, the Master
    QString logs[2];
    const auto stopSims = qScopeGuard([&sims] {
        for (QProcess& sim : sims)
            sim.kill(), sim.waitForFinished();
    });
    const auto start = [&](int k, const QStringList& options) {
        sims[k].kill(), sims[k].waitForFinished(), logs[k].clear();
        const QString own = k ? "001122334455" : "00ba5e123456";
        sims[k].start(
            TAVIXAT_SIM_PATH,
            QStringList{"--link", dir.filePath(k ? "m" : "s"), "--air", dir.filePath("air")} +
                (options.contains("--own-address") ? options
                                                   : options + QStringList{"--own-address", own}));
        return sims[k].waitForReadyRead(5000);
    };
    QVERIFY(start(0, slaveSim) && start(1, masterSim));
    const auto pair = [&](const QStringList& more) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.start(TAVIXAT_CLI_PATH,
                  QStringList{"pair", "--master", dir.filePath("m"), "--slave", dir.filePath("s")} +
                      more);
        cli.waitForFinished(15000);
        for (int k : {0, 1})
            sims[k].waitForReadyRead(300), logs[k] += sims[k].readAllStandardError();
        return std::pair(cli.exitCode(), cli.readAll() + cli.readAllStandardError());
    };
    const auto [exitCode, output] =
        pair(pinOption.isEmpty() ? QStringList() : QStringList{"--pin", pinOption});
    QTEST(exitCode, "exitCode");
    QFETCH(QString, said);
    QCOMPARE(QString(output).trimmed().section(u'\n', -1).remove("tavixat-cli: "), said);
    const QStringList heard[2] = {heardCommands(logs[0]), heardCommands(logs[1])};
    if (said.contains("nothing was saved") || said.contains("partly"))
        QVERIFY2(std::none_of(heard[1].begin(), heard[1].end(), isSetCommand), qPrintable(logs[1]));
    if (said.contains("nothing was saved"))
        QVERIFY2(std::none_of(heard[0].begin(), heard[0].end(), isSetCommand), qPrintable(logs[0]));
    if (said == "Not paired: the Slave is set up; the Master was not saved: run the same command "
                "again.")
        QVERIFY(heard[0].contains("<SLAVE>") && heard[0].contains("<DISCOVERABLE>"));
    if (exitCode == 1 || exitCode == 5)
        return;
    // Run again on healthy modules: it finishes the job, and the pair links.
    for (int k : {0, 1})
        if (exitCode != 0 && !(k ? masterSim : slaveSim).isEmpty())
            QVERIFY(start(k, {}));
    const auto [again, json] = pair({"--json"});
    QCOMPARE(again, 0);
    const QJsonObject both = QJsonDocument::fromJson(json.left(json.lastIndexOf('}') + 1)).object();
    const QJsonObject master = both["master"].toObject(), slave = both["slave"].toObject();
    QCOMPARE(master["address"].toString(), "00ba 5e 12 3456");
    const QString pin = !pinOption.isEmpty()         ? pinOption
                        : slaveSim.contains("--pin") ? "[0-9]{6}"
                                                     : "1234";
    QVERIFY2(QRegularExpression("^" + pin + "$").match(master["pin"].toString()).hasMatch(),
             qPrintable(master["pin"].toString()));
    QCOMPARE(slave["pin"].toString(), master["pin"].toString());
    QCOMPARE(master["role"].toString() + slave["role"].toString(), "masterslave");
    // The Master links when its Slave has taken its settings, and the Slave hears of it.
    for (QDeadlineTimer until(10000);
         !(logs[0].contains("linked from") && logs[1].contains("linked")) && !until.hasExpired();)
        for (int k : {0, 1})
            sims[k].waitForReadyRead(50), logs[k] += sims[k].readAllStandardError();
    QVERIFY2(logs[0].contains("linked from 001122334455"), qPrintable(logs[0].right(800)));
    QVERIFY2(logs[1].contains("linked to 00ba5e123456"), qPrintable(logs[1].right(800)));
}

// Refusals that come before any port opens, by each program; "<fifo>": a FIFO that nobody
// writes or reads.
void TestCli::refusesAtOnce_data() {
    // The program first: cli, setup or sim. The refusals come before unit.ini would be read.
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // after "tavixat-<program>: ", the first line of stderr
    const struct {
        const char* args;
        int exitCode;
        const char* said;
    } rows[] = {
        {"setup --trace=", 1, "--trace needs a FILE."},
        {"setup --trace a --trace b", 1, "--trace is given twice."},
        {"sim --latency 1 --latency 2", 1, "--latency is given twice."},
        {"sim --link=", 1, "--link needs a value."},
        {"cli", 1, "no command given."},
        {"cli frob", 1, "unknown command \"frob\"."},
        {"cli set", 1, "set needs at least one KEY=VALUE."},
        {"cli set name", 1, "\"name\" is not KEY=VALUE."},
        {"cli show x", 1, "show takes --json or --ini, not \"x\"."},
        {"cli apply", 1, "apply takes one FILE."},
        {"cli --json --ini show", 1, "--json and --ini do not go together."},
        {"cli --port a --port b show", 1, "give one --port."},
        {"cli --count 3 show", 1, "--count is for provision only."},
        {"cli list-ports --json", 1, "list-ports takes no port and no options."},
        {"cli provision", 1, "provision takes one PROFILE."},
        {"cli provision unit.ini", 1, "provision takes --port PORT (one or more) or --all."},
        {"cli provision unit.ini --all --json", 1, "provision takes no --json."},
        {"cli --trace a --trace a show", 1, "--trace is given twice."},
        {"cli provision unit.ini --all --report a --report b", 1, "--report is given twice."},
        {"cli provision unit.ini --all --count 3 --count 4", 1, "--count is given twice."},
        {"cli provision unit.ini --all --batch b", 1, "--batch goes with --database."},
        {"cli provision unit.ini --all --count 0", 1,
         "--count and --first take a whole number from 1 to 99999999."},
        {"cli report", 1, "report needs --database URL."},
        {"cli pair --master a", 1, "pair needs --master PORT and --slave PORT."},
        {"cli pair --master a --slave b --trace t", 1, "pair takes no --trace."},
        {"cli pair --master a --slave b --pin 1]", 1,
         "pin: \"1]\" holds \"]\", a character the module cannot take; use printable ASCII other "
         "than < > [ ]."},
        {"cli pair --master /dev/null --slave /dev/../dev/null", 1,
         "--master /dev/null and --slave /dev/../dev/null are one device, /dev/null: give the "
         "ports of two modules."},
        {"cli pair --master COM1 --slave /dev/ttyS0", 1,
         "--master COM1 and --slave /dev/ttyS0 are one device, /dev/ttyS0: give the ports of two "
         "modules."},
        {"cli --pin 1234 show", 1, "--pin is for pair only."},
        {"cli provision unit.ini --pairs --port a", 1,
         "--pairs takes the ports two by two, a Master's and a Slave's: --port MASTER --port "
         "SLAVE ..."},
        // The URL taken apart as libpq would: the host and port it names are the ones tried.
        {"cli report --database postgresql://ops@[127.0.0.1]:1/p%20q?sslmode=disable", 7,
         "The database postgresql://ops@[127.0.0.1]:1/p%20q?sslmode=disable cannot be reached: "
         "connection to server at \"127.0.0.1\", port 1 failed: Connection refused."},
        {"cli report --database postgresql://ops:pw@h/p", 1,
         "--database postgresql://ops:pw@h/p holds a password, which anyone on this PC can read "
         "with ps: put it in ~/.pgpass or the PGPASSWORD variable, where the database client "
         "reads it, and give the URL without it."},
        {"cli report --database postgres://h/p?password=pw", 1,
         "--database postgres://h/p?password=pw holds a password, which anyone on this PC can "
         "read with ps: put it in ~/.pgpass or the PGPASSWORD variable, where the database "
         "client reads it, and give the URL without it."},
        {"cli report --database mysql://h/p", 1,
         "--database mysql://h/p is not a URL such as postgresql://host/dbname or "
         "postgresql:///dbname?host=/run/postgresql."},
        {"cli report --database u --all", 1, "report takes no --all."},
        {"cli --batch b show", 1, "--batch is for provision and report only."},
        // Waited for until a stop signal comes, which ends the program at once.
        {"cli provision <fifo> --port /none/t", 143, "stopped by SIGTERM."},
        {"cli --port /none/t apply <fifo>", 143, "stopped by SIGTERM."},
        // Never waited for.
        {"cli provision unit.ini --port /none/t --report <fifo>", 7,
         "The report <fifo> is not a regular file: give the path of a CSV file."},
        {"cli provision unit.ini --port /none/t --report /dev/null", 7,
         "The report /dev/null is not a regular file: give the path of a CSV file."},
        {"cli --port /none/t --trace <fifo> show", 1,
         "Cannot write the trace <fifo>: it is a pipe that nobody reads."},
    };
    for (const auto& r : rows)
        QTest::newRow(r.args) << r.args << r.exitCode
                              << "tavixat-" + QString(r.args).section(u' ', 0, 0) + ": " + r.said;
}

void TestCli::refusesAtOnce() {
    QFETCH(QString, args);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    const QHash<QString, QString> programs{
        {"cli", TAVIXAT_CLI_PATH}, {"setup", TAVIXAT_SETUP_PATH}, {"sim", TAVIXAT_SIM_PATH}};
    const QStringList words = args.replace("<fifo>", fifo).split(u' ');
    run.start(programs.value(words.first()), words.mid(1));
    QVERIFY(run.waitForStarted());
    QFETCH(int, exitCode);
    if (exitCode == 128 + SIGTERM) { // it waits in the FIFO's open: stopped there, at once
        const auto waitsFor = [&run] {
            QFile wchan(QStringLiteral("/proc/%1/wchan").arg(run.processId()));
            return wchan.open(QIODevice::ReadOnly) ? wchan.read(64) : QByteArray();
        };
        QTRY_COMPARE_WITH_TIMEOUT(waitsFor(), "wait_for_partner", 10000);
        ::kill(pid_t(run.processId()), SIGTERM);
        QVERIFY(run.waitForFinished(1000));
    }
    QVERIFY(run.state() == QProcess::NotRunning || run.waitForFinished(5000));
    QCOMPARE(run.exitCode(), exitCode);
    QCOMPARE(QString(run.readAllStandardError()).section(u'\n', 0, 0),
             said.replace("<fifo>", fifo));
}

// The window's trace: --trace wins over TAVIXAT_TRACE, and the file is made the owner's alone
// before the window shows.
void TestCli::windowTrace() {
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TAVIXAT_TRACE", dir.filePath("env.trace"));
    QProcess window;
    window.setProcessEnvironment(env);
    window.start(TAVIXAT_SETUP_PATH, {"--trace", dir.filePath("option.trace")});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.filePath("option.trace")), 10000);
    window.kill(), window.waitForFinished();
    QCOMPARE(int(QFile::permissions(dir.filePath("option.trace"))), 0x6600);
    QVERIFY(!QFileInfo::exists(dir.filePath("env.trace")));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
