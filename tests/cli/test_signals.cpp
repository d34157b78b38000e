#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// tavixat-cli told to stop while it talks to tavixat-sim: it never cuts a save on the first
// signal, says goodbye to a module that answered, and leaves no lock of the port behind.
class TestSignals : public QObject {
    Q_OBJECT
private slots:
    void stops_data();
    void stops();
};

void TestSignals::stops_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("trigger"); // the command the module hears before the signals
    QTest::addColumn<QList<int>>("sent"); // 0: the output pipe is closed instead
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");  // on standard error
    QTest::addColumn<QString>("heard"); // the commands the module heard, in order
    QTest::newRow("SIGINT while no module answers")
        << QStringList{"--silent"} << "show"
        << "<PING>" << QList<int>{SIGINT} << 130 << "tavixat-cli: stopped by SIGINT.\n"
        << "<PING>";
    QTest::newRow("SIGHUP while the version comes")
        << QStringList{"--version-delay", "400"} << "show"
        << "<VERS>" << QList<int>{SIGHUP} << 129 << "tavixat-cli: stopped by SIGHUP.\n"
        << "<PING><VERS><EXIT>";
    QTest::newRow("SIGTERM in a save: it ends first")
        << QStringList{"--latency", "100"} << "set name=Sig"
        << "<NAME=" << QList<int>{SIGTERM} << 143
        << "stopped by SIGTERM after the save: the settings were saved.\n"
        << "<PING><VERS><QUERY><NAME=Sig><PKEY=1234><BAUD=9600><SBIT=1><PRTY=N><SLAVE>"
           "<DISCOVERABLE><PIN_ON><EXIT>";
    QTest::newRow("a second SIGINT cuts the save")
        << QStringList{"--latency", "100"} << "set name=Sig"
        << "<NAME=" << QList<int>{SIGINT, SIGINT} << 130
        << "stopped by SIGINT during the save.\nThe settings may be only partly saved: connect "
           "again and check them.\n"
        << "<PING><VERS><QUERY><NAME=Sig>";
    QTest::newRow("output to a closed pipe")
        << QStringList{} << "show"
        << "<QUERY>" << QList<int>{0} << 141 << "tavixat-cli: stopped by SIGPIPE.\n"
        << "<PING><VERS><QUERY><EXIT>";
}

void TestSignals::stops() {
    QFETCH(QStringList, simOptions);
    QFETCH(QString, trigger);
    QFETCH(QList<int>, sent);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString line = dir.filePath("line");
    QProcess sim;
    sim.start(TAVIXAT_SIM_PATH, QStringList{"--link", line} + simOptions);
    QVERIFY(sim.waitForReadyRead(5000) && QFileInfo::exists(line));

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());
    cli.setProcessEnvironment(env);
    QFETCH(QString, command);
    const QString run = QString("\"$0\" --port %1 %2").arg(line, command);
    // Through a shell, so that a pipe whose reader is gone can stand for standard output.
    cli.start("bash",
              {"-c", sent == QList<int>{0} ? run + " | true; exit ${PIPESTATUS[0]}" : "exec " + run,
               TAVIXAT_CLI_PATH});
    QByteArray heard;
    QVERIFY(QTest::qWaitFor(
        [&] {
            sim.waitForReadyRead(10);
            heard += sim.readAllStandardError();
            return heard.contains(trigger.toLatin1());
        },
        8000));
    for (const int signal : sent) {
        if (signal)
            ::kill(pid_t(cli.processId()), signal);
        QTest::qWait(50);
    }
    QVERIFY(cli.state() == QProcess::NotRunning || cli.waitForFinished(8000));
    QTEST(cli.exitCode(), "exitCode");
    QVERIFY2(cli.readAllStandardError().endsWith(said.toUtf8()), qPrintable(said));
    sim.terminate(), sim.waitForFinished();
    heard += sim.readAllStandardError();
    QString commands;
    for (const QByteArray& logged : heard.split('\n'))
        if (const qsizetype at = logged.indexOf('<'); at >= 0)
            commands += logged.mid(at, logged.indexOf('>', at) - at + 1);
    QTEST(commands, "heard");
    // Qt keeps a lock file per port name while the port is open; none may outlive the program.
    for (const char* folder : {"/var/lock", "/run/lock", "/tmp"})
        QVERIFY(QDir(folder)
                    .entryList({"LCK..*" + QDir(dir.path()).dirName() + "_line"}, QDir::Files)
                    .isEmpty());
}

QTEST_GUILESS_MAIN(TestSignals)
#include "test_signals.moc"
