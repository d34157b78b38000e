// tavixat-cli provision against jigs of tavixat-sim on pseudo-terminals, one per station, in
// real time: what the report holds and how the run ends.
#include "Jigs.h"
#include "PseudoTerminal.h"
#include "Signals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace tavixat;

namespace {

const QString kHeader = "time,station,device,unit,own_address,firmware,name,pin,result,detail,"
                        "seconds\r\n";

// Modules "a<station><k>" seated one after another, present long enough for one save, on a line
// as fast as a real one.
QString jigOf(int station, int modules, const QString& timing = "3500:1500") {
    return jigOf(QStringLiteral("00000000a%1").arg(station), modules, timing) + " --pace";
}

// The report's rows under its header, each as its fields.
QList<QStringList> reportRows(const QString& path) {
    return csvRows(readFile(path)).mid(1);
}

constexpr int kColumns = 40;

} // namespace

class TestProvision : public QObject {
    Q_OBJECT
private slots:
    void stations_data();
    void stations();
    void kits_data();
    void kits();
};

void TestProvision::stations_data() {
    QTest::addColumn<QStringList>("jigs"); // the options of each station's simulator
    QTest::addColumn<QString>("report");   // there before the run
    QTest::addColumn<QString>("args");     // after "provision unit.ini" and the stations
    // "SIGNAL COMMAND": the signal once a simulator heard the command; "KILL n": SIGKILL once
    // the report has n rows.
    // "INT+TERM COMMAND": two signals.
    QTest::addColumn<QString>("stop");
    QTest::addColumn<int>("exitCode");
    // "own address result unit" per row, sorted; "*" for a unit given in the order found, the
    // run's first unit being the lowest of them.
    QTest::addColumn<QStringList>("rows");
    // Contained in standard output and error; "tty:" first, standard output is a terminal.
    QTest::addColumn<QString>("said");

    QTest::newRow("on a terminal, lines fitted to its width")
        << QStringList{jigOf(1, 1)} << QString() << "--count 1" << QString() << 0
        << QStringList{"00000000a101 ok *"} << "tty:\r\x1b[2Kjig/line1: OK Unit-001 (0.";
    QTest::newRow("an own address that is no address")
        << QStringList{"--own-address 1b\x1b"
                       "c\r\nOK"}
        << QString() << QString() << "INT <EXIT>" << 130 << QStringList{" failed *"}
        << "jig/line1: unit 1, no own address: FAILED: Its own address \"1b\\x1bc\\r\\nOK\" is not "
           "twelve hexadecimal digits: the module was not saved.\n";
    QTest::newRow("a module silent mid-save, the other station goes on")
        << QStringList{jigOf(1, 2), jigOf(2, 1) + " --stop-after-commands 6"} << QString()
        << "--count 2" << QString() << 6
        << QStringList{"00000000a101 ok *", "00000000a102 ok *", "00000000a201 failed *"}
        << "FAILED: No reply from device! The module did not acknowledge baud:";
    QTest::newRow("a module done is skipped, numbering goes on")
        << QStringList{jigOf(1, 2)}
        << kHeader + "2026-12-07T08:00:00+00:00,X,d,41,00000000a101,v2.0,U,1,ok,,2.0\r\n"
        << "--count 1" << QString() << 0
        << QStringList{"00000000a101 ok 41", "00000000a101 skipped 41", "00000000a102 ok 42"}
        << "SKIPPED (unit 41)";
    QTest::newRow("SIGINT in a save: the save and its row are finished")
        << QStringList{jigOf(1, 2) + " --latency 150"} << QString() << "--first 7"
        << "INT <NAME=" << 130 << QStringList{"00000000a101 ok 7"}
        << "stopped by SIGINT: saves under way were finished.";
    QTest::newRow("a stop with no save under way says none was")
        << QStringList{"--jig 00000000a101:1:60000"} << QString() << QString() << "INT <PING>"
        << 130 << QStringList() << "tavixat-cli: stopped by SIGINT.\n";
    QTest::newRow("a second signal cuts the save, and is named")
        << QStringList{jigOf(1, 1) + " --latency 150"} << QString() << QString()
        << "INT+TERM <NAME=" << 143 << QStringList{"00000000a101 failed *"}
        << "stopped at once by a second SIGTERM. 1 module being saved is recorded as failed. The "
           "settings may be only partly saved";
    QTest::newRow("one own address on two stations at once")
        << QStringList{jigOf(1, 1) + " --latency 100", jigOf(1, 1) + " --latency 100"} << QString()
        << "--count 1" << QString() << 6
        << QStringList{"00000000a101 failed *", "00000000a101 ok *"}
        << "The same own address is being set up at jig/line";
    // Failures take units too: the unit after the checked ones is one the name cannot hold.
    QTest::newRow("a unit the profile cannot fill in is a failure, not a save")
        << QStringList{jigOf(1, 1) + " --no-version",
                       "--jig 00000000a200:1:3000,00000000a201:3500:1500"}
        << QString() << "--first 9 --count 1"
        << "KILL 2" << -1 << QStringList{" failed 9", "00000000a201 failed 10"}
        << "name \"ABCDEFGHIJKLM{n}\" is 15 characters long for unit 10; it must have 1 to 14.";
    // No unit is given once the report is not the file the run locked; the save under way still
    // gets its row, in the report saved over, or in a new file beside a deleted one.
    QTest::newRow("the report saved over during a save")
        << QStringList{jigOf(1, 2) + " --latency 150"} << QString() << "--count 2"
        << "NEW <NAME=" << 7 << QStringList{"00000000a101 ok *"}
        << "tavixat-cli: The report tavixat-report.csv was replaced or deleted during the run: no "
           "module is taken any more, and the rows from here on are in tavixat-report.csv.\n";
    QTest::newRow("the report deleted during a save")
        << QStringList{jigOf(1, 2) + " --latency 150"} << QString() << "--count 2"
        << "RM <NAME=" << 7 << QStringList{"00000000a101 ok *"}
        << "the rows from here on are in tavixat-report-from-";
    // Refused before any port opens, or with none open.
    QTest::newRow("a name that can grow too long")
        << QStringList{jigOf(1, 1)} << QString() << "--count 1000 --first 1 --again" << QString()
        << 1 << QStringList()
        << "unit.ini: name \"Unit-{n}-abcdef\" is 15 characters long for unit 100; it must have 1 "
           "to 14.\n";
    QTest::newRow("a first unit the report has given")
        << QStringList{jigOf(1, 1)}
        << kHeader + "2026-12-07T08:00:00+00:00,X,d,41,00000000a101,v2.0,U,1,ok,,2.0\r\n"
        << "--first 41" << QString() << 1 << QStringList{"00000000a101 ok 41"}
        << "already has units up to 41; give --first 42 or more";
    QTest::newRow("a report that has given the last unit")
        << QStringList{jigOf(1, 1)}
        << kHeader + "2026-12-07T08:00:00+00:00,X,d,99999999,00000000a101,v2.0,U,1,ok,,2.0\r\n"
        << QString() << QString() << 1 << QStringList{"00000000a101 ok 99999999"}
        << "tavixat-cli: the report tavixat-report.csv has given every unit up to 99999999: give "
           "another --report.\n";
    QTest::newRow("no station's port opens")
        << QStringList{} << QString() << "--port /none/tty" << QString() << 2 << QStringList()
        << "/none/tty: ERROR, Check /none/tty!";
    QTest::newRow("a report that cannot be written")
        << QStringList{jigOf(1, 1)} << QString() << "--report /none/r.csv" << QString() << 7
        << QStringList()
        << "tavixat-cli: Cannot write the report /none/r.csv: No such file or directory.\n";
}

void TestProvision::stations() {
    QFETCH(QStringList, jigs);
    QFETCH(QString, report);
    QFETCH(QString, args);
    QFETCH(QString, stop);
    QFETCH(QStringList, rows);
    QTemporaryDir dir;
    const QString reportPath = dir.filePath("tavixat-report.csv");
    const QString profile = dir.filePath("unit.ini");
    QVERIFY(writeFile(profile, args.contains("--count 1000") ? "[Module]\nname=Unit-{n}-abcdef\n"
                               : args.contains("--first 9")
                                   ? "[Module]\nname=ABCDEFGHIJKLM{n}\n"
                                   : "[Module]\nname=Unit-{n:3}\npin={random:6}\n"));
    QVERIFY(report.isEmpty() || writeFile(reportPath, report.toUtf8()));

    QVERIFY(QDir(dir.path()).mkdir("jig"));
    std::vector<std::unique_ptr<QProcess>> sims;
    QStringList cliArgs{"provision", profile};
    for (const QString& jig : jigs) {
        const QString line = QStringLiteral("jig/line%1").arg(sims.size() + 1);
        sims.push_back(std::make_unique<QProcess>());
        sims.back()->start(TAVIXAT_SIM_PATH,
                           QStringList{"--link", dir.filePath(line)} + jig.split(u' '));
        QVERIFY(sims.back()->waitForReadyRead(5000));
        cliArgs << "--port" << line; // relative to the working folder, as a user types it
    }
    QFETCH(QString, said);
    QProcess cli;
    PseudoTerminal terminal(kColumns);
    const bool onTerminal = said.startsWith("tty:");
    if (onTerminal)
        cli.setStandardOutputFile(terminal.path()), said = said.mid(4);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    cli.setProcessEnvironment(env);
    cli.setWorkingDirectory(dir.path());
    QElapsedTimer ran;
    ran.start();
    cli.start(TAVIXAT_CLI_PATH, cliArgs + args.split(u' ', Qt::SkipEmptyParts));
    const QStringList when = stop.split(u' ');
    QString log;
    if (when.first() == "KILL")
        QVERIFY(QTest::qWaitFor([&] { return reportRows(reportPath).size() >= when[1].toInt(); },
                                15000));
    else if (!stop.isEmpty())
        QVERIFY(QTest::qWaitFor(
            [&] {
                sims.front()->waitForReadyRead(10), log += sims.front()->readAllStandardError();
                return log.contains(when[1]);
            },
            15000));
    if (when.first() == "RM" || when.first() == "NEW") { // deleted, or saved over by a spreadsheet
        QVERIFY(QFile::remove(reportPath));
        QVERIFY(when.first() == "RM" || writeFile(reportPath, kHeader.toUtf8()));
    } else {
        QVERIFY(
            sendInTurn(cli.processId(), stop.isEmpty() ? QStringList() : when.first().split(u'+')));
    }
    QString shown; // on the terminal, read as it comes so that the program never waits for it
    QVERIFY(QTest::qWaitFor(
        [&] { return shown += terminal.take(), cli.state() == QProcess::NotRunning; }, 30000));
    shown += terminal.take();
    for (const QString& line : shown.split(QStringLiteral("\x1b[2K")).mid(1))
        QVERIFY2(line.section(QStringLiteral("\r\n"), 0, 0).size() < kColumns, qPrintable(line));
    const QString output = cli.readAllStandardOutput() + cli.readAllStandardError() + shown;
    for (const auto& sim : sims) {
        sim->waitForReadyRead(100), log += sim->readAllStandardError();
        sim->kill(), sim->waitForFinished();
    }
    QTEST(cli.exitStatus() == QProcess::CrashExit ? -1 : cli.exitCode(), "exitCode");
    // Qt's lock file per port name (in the first of these folders it may write): every station
    // closed its port, unless the run was killed.
    for (const QString folder : {"/var/lock", "/tmp"})
        for (const QString& lock :
             QDir(folder).entryList({"LCK..*" + QDir(dir.path()).dirName() + "*"}))
            QVERIFY2(when.first() == "KILL" && QFile::remove(folder + '/' + lock),
                     qPrintable(lock));
    QFETCH(int, exitCode);
    // Every run that started its stations ends with its summary; the rate is at least what its
    // modules over the program's whole time make.
    const auto summary =
        QRegularExpression("([0-9]+) done, .* ([0-9]+) modules per hour").match(output);
    const bool refused = exitCode == 1 || (exitCode == 7 && stop.isEmpty()); // before any port
    if (!onTerminal) // where it is cut to the terminal's width
        QCOMPARE(summary.hasMatch(), !refused && exitCode != -1);
    if (const int done = summary.captured(1).toInt(); done > 0)
        QVERIFY2(summary.captured(2).toInt() >= done * 3600000 / ran.elapsed(),
                 qPrintable(summary.captured()));
    if (refused)
        QVERIFY2(!log.contains("<PING>"), qPrintable(log));

    QString details; // a row's detail may be written before the line that shows it
    // A report gone during the run: the rows are where standard error says.
    const QString movedTo =
        QRegularExpression("the rows from here on are in (.+)\\.\n").match(output).captured(1);
    const QString rowsPath = movedTo.isEmpty() ? reportPath : dir.filePath(movedTo);
    for (const QStringList& r : reportRows(rowsPath))
        details += r.value(9) + '\n';
    QVERIFY2(output.contains(said) || details.contains(said), qPrintable(output + details));
    QVERIFY2(onTerminal || !output.contains(QChar(0x1b)), qPrintable(output)); // all escaped
    QVERIFY2(!output.contains("tavixat-cli: \n"), qPrintable(output)); // no error without words
    QStringList seen;
    QSet<QString> pins;
    int made = 0;
    for (const QStringList& r : reportRows(rowsPath)) {
        QCOMPARE(r.size(), csvRows(readFile(rowsPath)).value(0).size()); // an old report's too
        seen << r[4] + ' ' + r[8] + ' ' + r[3];
        if (r[8] == "ok" && r[1] != "X") { // made by this run
            QCOMPARE(r[6], QStringLiteral("Unit-%1").arg(r[3].toInt(), 3, 10, QChar(u'0')));
            QVERIFY2(QRegularExpression("^[0-9]{6}$").match(r[7]).hasMatch(), qPrintable(r[7]));
            pins << r[7], ++made;
            // At the wire's pace: a module in well under a second, unless the module is slow.
            QVERIFY2(r[10].toDouble() < (jigs.join(' ').contains("--latency") ? 9 : 1.0),
                     qPrintable(r[10]));
        }
    }
    seen.sort();
    QList<int> found; // the units given in the order found
    for (qsizetype i = 0; i < std::min(seen.size(), rows.size()); ++i)
        if (rows[i].endsWith(u'*'))
            found << seen[i].section(u' ', 2).toInt(), seen[i] = seen[i].section(u' ', 0, 1) + " *";
    QCOMPARE(seen, rows);
    std::sort(found.begin(), found.end());
    for (qsizetype i = 0; i < found.size(); ++i)
        QCOMPARE(found[i], 1 + int(i));
    QCOMPARE(pins.size(), made); // {random:6} differs from module to module
}

// Kits of two: the jigs of stations 1 and 3 are Masters', of 2 and 4 Slaves', all on one air.
void TestProvision::kits_data() {
    QTest::addColumn<QString>(
        "fault"); // "JIG OPTIONS": of the second kit's Master (3) or Slave (4)
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("okKits");
    QTest::newRow("two kits of jigs, four kits") << QString() << 0 << 4;
    QTest::newRow("a Master that refuses its address fails its kit, not half of it")
        << "3 --refuse ADDR" << 6 << 2;
    QTest::newRow("a Slave that never connects: no kit, each row a unit of its own")
        << "4 --no-version" << 6 << 2;
}

void TestProvision::kits() {
    QFETCH(QString, fault);
    QFETCH(int, okKits);
    QTemporaryDir dir;
    QVERIFY(
        writeFile(dir.filePath("unit.ini"), "[Module]\nname=Link-{n:3}-{role}\npin={random:6}\n"));
    std::vector<std::unique_ptr<QProcess>> sims;
    QStringList cliArgs{"provision", "unit.ini", "--pairs", "--count", QString::number(okKits)};
    for (int jig = 1; jig <= 4; ++jig) {
        const QString line = dir.filePath(QStringLiteral("line%1").arg(jig));
        sims.push_back(std::make_unique<QProcess>());
        const QString options = fault.startsWith(QString::number(jig)) ? fault.mid(2) : QString();
        sims.back()->start(TAVIXAT_SIM_PATH,
                           QStringList{"--link", line, "--air", dir.filePath("air")} +
                               (jigOf(jig, 2) + ' ' + options).split(u' ', Qt::SkipEmptyParts));
        QVERIFY(sims.back()->waitForReadyRead(5000));
        sims.back()->setReadChannel(QProcess::StandardError); // the log
        cliArgs << "--port" << line;
    }
    QProcess cli;
    cli.setWorkingDirectory(dir.path());
    cli.start(TAVIXAT_CLI_PATH, cliArgs);
    QVERIFY(cli.waitForFinished(30000));
    QString logs;
    for (const auto& sim : sims) { // a Master links once its Slave has its settings
        while (sim->waitForReadyRead(500))
            logs += sim->readAllStandardError();
        sim->kill(), sim->waitForFinished();
    }
    QTEST(cli.exitCode(), "exitCode");
    QCOMPARE(csvRows(readFile(dir.filePath("tavixat-report.csv"))).value(0).last(), "partner");
    QHash<int, QList<QStringList>> kits; // the rows by unit
    for (const QStringList& r : reportRows(dir.filePath("tavixat-report.csv")))
        kits[r[3].toInt()] << r;
    int ok = 0;
    for (auto kit = kits.cbegin(); kit != kits.cend(); ++kit) {
        if (const QStringList& r = kit->at(0); kit->size() == 1) { // never connected as a kit
            QVERIFY2(r[9].contains(r[1].endsWith('3') ? "The kit's Slave at " : "No reply from"),
                     qPrintable(r.join(',')));
            continue;
        }
        QCOMPARE(kit->size(), 2);
        const QStringList& m =
            kit->at(kit->at(0)[1].endsWith('1') || kit->at(0)[1].endsWith('3') ? 0 : 1);
        const QStringList& s = kit->at(&m == &kit->at(0) ? 1 : 0);
        QCOMPARE(m[11] + ' ' + s[11], s[4] + ' ' + m[4]); // partners crossed
        QCOMPARE(m[8], s[8]);                             // a kit is ok or failed as one
        if (m[8] == "failed") {
            QVERIFY2(s[9].contains("this module was saved; both are set up again"),
                     qPrintable(s[9]));
            continue;
        }
        ++ok;
        const QString name = QStringLiteral("Link-%1-").arg(kit.key(), 3, 10, QChar(u'0'));
        QCOMPARE(m[6] + ' ' + s[6], name + "M " + name + "S");
        QCOMPARE(m[7], s[7]);
        QVERIFY2(QRegularExpression("^[0-9]{6}$").match(m[7]).hasMatch(), qPrintable(m[7]));
        QVERIFY2(QString(logs).remove(u' ').contains("linkedto" + s[4]), qPrintable(logs));
    }
    QCOMPARE(ok, okKits);
    QVERIFY(kits.size() >= okKits + (fault.isEmpty() ? 0 : 1));
    QCOMPARE(kits.keys().size(), *std::max_element(kits.keyBegin(), kits.keyEnd())); // 1, 2, ...
}

QTEST_GUILESS_MAIN(TestProvision)
#include "test_provision.moc"
