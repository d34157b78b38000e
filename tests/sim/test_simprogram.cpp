#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

constexpr int kProcessTimeoutMs = 5000;
const QString kSim = QStringLiteral(TAVIXAT_SIM_PATH);

// The simulator program's command line, and the link that the run script opens the tool on.
class TestSimProgram : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void linkLeadsToTheLineUntilExit();
};

void TestSimProgram::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    // Words that must all be told: on standard output for help, on standard error for a refusal.
    QTest::addColumn<QString>("told");

    QTest::newRow("help names every option")
        << QStringList{"--help"} << 0
        << "--link --pace --silent --answer-ping-from --answer-rts --firmware --no-version "
           "--latency --lower-case-acks --query-fields --field-interval --noise --byte-interval "
           "--runaway-field --stop-after-commands --stop-after-ms --hang-up-after-commands "
           "--hang-up-after-bytes --hang-up-after-ms";
    QTest::newRow("negative latency") << QStringList{"--latency", "-5"} << 2 << "--latency \"-5\"";
    QTest::newRow("more than twelve fields")
        << QStringList{"--query-fields", "13"} << 2 << "--query-fields \"13\"";
    QTest::newRow("unknown RTS state")
        << QStringList{"--answer-rts", "high"} << 2 << "--answer-rts \"high\"";
    QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"} << 2 << "\"/dev/ttyS0\"";
}

void TestSimProgram::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, told);
    QProcess sim;
    sim.start(kSim, arguments);
    QVERIFY(sim.waitForFinished(kProcessTimeoutMs));
    QCOMPARE(sim.exitCode(), exitCode);
    const QByteArray out = sim.readAllStandardOutput();
    const QByteArray err = sim.readAllStandardError();
    // A refusal makes no line, so prints no line path.
    QCOMPARE((exitCode == 0 ? err : out), QByteArray());
    const QString text = QString::fromLocal8Bit(exitCode == 0 ? out : err);
    for (const QString& word : told.split(u' '))
        QVERIFY2(text.contains(word), qPrintable(word + " not in: " + text));
}

void TestSimProgram::linkLeadsToTheLineUntilExit() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("line"));
    QProcess sim;
    sim.start(kSim, {QStringLiteral("--link"), link});
    while (!sim.canReadLine())
        QVERIFY(sim.waitForReadyRead(kProcessTimeoutMs));
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLocal8Bit(sim.readLine()).trimmed());

    sim.terminate();
    QVERIFY(sim.waitForFinished(kProcessTimeoutMs));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "test_simprogram.moc"
