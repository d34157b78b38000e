#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const kFreshIni = "[Module]\nname=TavixAT\npin=1234\npin-request=on\nbaud=9600\n"
                              "stop-bits=1\nparity=none\nrole=slave\naddress=0000 00 00 0000\n"
                              "discoverable=yes\n";

} // namespace

// tavixat-cli against tavixat-sim on a pseudo-terminal, with a settings folder of its own:
// each row runs its commands one after another on one simulated module and checks the last.
class TestCli : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
};

void TestCli::commands_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("file"); // written to <file> first
    QTest::addColumn<QString>("runs"); // " && " between runs; <file>: the file written first
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // contained in standard output, or error when it fails
    const auto row = [](const char* name, QStringList sim, QString runs, int code, QString out,
                        QString file = {}) {
        QTest::newRow(name) << sim << file << runs << code << out;
    };
    row("set, then show --json", {}, "set name=Unit-7 pin=2468 && show --json", 0,
        "\"name\": \"Unit-7\",\n    \"own_address\": \"00ba 5e 12 3456\",\n    \"parity\": "
        "\"none\",\n    \"pin\": \"2468\",\n    \"pin_request\": true,\n    \"role\": "
        "\"slave\",\n    \"stop_bits\": 1\n}");
    row("show --ini", {}, "show --ini", 0, kFreshIni);
    row("apply a Master's settings", {}, "apply <file> && show --ini", 0,
        "pin-request=off\nbaud=9600\nstop-bits=1\nparity=even\nrole=master\naddress=0011 22 33 "
        "4455\ndiscoverable=yes",
        "[Module]\n; copied\nrole=master\naddress=001122334455\npin-request=off\n"
        "discoverable=yes\nparity=even\n");
    row("unknown key", {}, "set colour=red", 1, "unknown key \"colour\"");
    row("baud rate off the list", {}, "set baud=12345", 1, "baud: \"12345\" is not a valid");
    row("name longer than the box", {}, "set name=FifteenCharName", 1, "1 to 14 characters");
    row("a line that is no setting", {}, "apply <file>", 1, "line 2: expected KEY=VALUE",
        "[Module]\nname\n");
    row("apply a file of another kind", {}, "apply <file>", 1, "line 1: only a [Module]",
        "[Ports]\nCOM1=/dev/ttyUSB0\n");
    row("no such port", {}, "--port /none/tty show", 2,
        "ERROR, Check /none/tty!\n/none/tty: there is no such device");
    row("no version reply", {"--no-version"}, "show", 3, "No reply from device!");
    row("firmware rejected", {"--firmware", "v1.0"}, "show", 4, "Invalid firmware version (v1.0)");
    row("name the line cannot carry", {}, "set pin-request=on name=a<b", 5,
        "Nothing was saved: the device name");
    row("PIN request locked on", {"--firmware", "v1.5"}, "set pin-request=off", 5,
        "firmware v1.5 keeps the PIN request on");
    row("incomplete reply", {"--query-fields", "3"}, "show", 6, "Only 3 of the 12 settings");
    row("save not acknowledged", {"--stop-after-commands", "6"}, "set stop-bits=2", 6,
        "No reply from device!");
}

void TestCli::commands() {
    QFETCH(QStringList, simOptions);
    QFETCH(QString, file);
    QFETCH(QString, runs);
    QFETCH(QString, out);
    QTemporaryDir dir;
    const QString line = dir.filePath("line"), path = dir.filePath("unit.ini");
    QProcess sim;
    sim.start(TAVIXAT_SIM_PATH, QStringList{"--link", line} + simOptions);
    QVERIFY(sim.waitForReadyRead(5000) && QFileInfo::exists(line));
    QFile ini(path);
    QVERIFY(file.isEmpty() || (ini.open(QIODevice::WriteOnly) && ini.write(file.toUtf8()) > 0));
    ini.close();

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    cli.setProcessEnvironment(env);
    for (const QString& run : runs.split(" && ")) {
        QStringList args = run.split(u' ').replaceInStrings("<file>", path);
        if (!args.contains("--port"))
            args = QStringList{"--port", line} + args;
        cli.start(TAVIXAT_CLI_PATH, args);
        QVERIFY(cli.waitForFinished(10000));
        if (run != runs.section(" && ", -1) && cli.exitCode() != 0) // all but the last succeed
            QFAIL(cli.readAllStandardError().constData());
    }
    const QString said =
        cli.exitCode() == 0 ? cli.readAllStandardOutput() : cli.readAllStandardError();
    QTEST(cli.exitCode(), "exitCode");
    QVERIFY2(said.contains(out), qPrintable(said));
    sim.kill(), sim.waitForFinished();
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
