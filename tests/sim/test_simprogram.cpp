#include "Commands.h"
#include "DeviceSettings.h"
#include "Exchanges.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "modComm.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tavixat;

namespace {

constexpr int kStartTimeoutMs = 5000;
constexpr int kExitTimeoutMs = 5000;

// Runs tavixat-sim and waits for the line path it prints first.
struct SimProcess {
    QProcess process;
    QString linePath;

    bool start(const QStringList& arguments) {
        process.start(QStringLiteral(TAVIXAT_SIM_PATH), arguments);
        if (!process.waitForStarted(kStartTimeoutMs))
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(kStartTimeoutMs))
                return false;
        }
        linePath = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !linePath.isEmpty();
    }
    QString log() { return QString::fromLocal8Bit(process.readAllStandardError()); }
};

// The event processing of a wait may already have seen the process end.
bool waitForExit(QProcess& process) {
    return process.state() == QProcess::NotRunning || process.waitForFinished(kExitTimeoutMs);
}

QString mapComOneTo(const QString& path) {
    QSettings settings(QString::fromLatin1(kApplicationTitle));
    settings.setValue(QStringLiteral("Ports/COM1"), path);
    settings.sync();
    return path;
}

} // namespace

// The simulator program itself: its command line, and a real exchange with it through the Qt
// serial port on its pseudo-terminal.
class TestSimProgram : public QObject {
    Q_OBJECT

    QString help_;

private slots:
    void initTestCase();
    void helpNamesEveryOption_data();
    void helpNamesEveryOption();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void answersTheToolInRealTime();
    void hangUpReachesTheTool();
};

void TestSimProgram::initTestCase() {
    QProcess sim;
    sim.start(QStringLiteral(TAVIXAT_SIM_PATH), {QStringLiteral("--help")});
    QVERIFY(sim.waitForFinished(kExitTimeoutMs));
    QCOMPARE(sim.exitCode(), 0);
    help_ = QString::fromLocal8Bit(sim.readAllStandardOutput());
}

void TestSimProgram::helpNamesEveryOption_data() {
    QTest::addColumn<QString>("option");
    for (const char* option :
         {"--link", "--pace", "--silent", "--answer-ping-from", "--answer-rts", "--firmware",
          "--no-version", "--latency", "--lower-case-acks", "--query-fields", "--field-interval",
          "--noise", "--byte-interval", "--runaway-field", "--stop-after-commands",
          "--stop-after-ms", "--hang-up-after-commands", "--hang-up-after-bytes",
          "--hang-up-after-ms"})
        QTest::newRow(option) << QString::fromLatin1(option);
}

void TestSimProgram::helpNamesEveryOption() {
    QFETCH(QString, option);
    QVERIFY2(help_.contains(option), qPrintable(option));
}

void TestSimProgram::refusesBadArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("negative latency") << QStringList{"--latency", "-5"} << "--latency";
    QTest::newRow("more than twelve fields") << QStringList{"--query-fields", "13"} << "0 to 12";
    QTest::newRow("not a number") << QStringList{"--stop-after-ms", "soon"} << "\"soon\"";
    QTest::newRow("hang-up before any byte")
        << QStringList{"--hang-up-after-bytes", "0"} << "from 1 up";
    QTest::newRow("unknown rts state") << QStringList{"--answer-rts", "high"} << "deasserted";
    QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"} << "/dev/ttyS0";
}

void TestSimProgram::refusesBadArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess sim;
    sim.start(QStringLiteral(TAVIXAT_SIM_PATH), arguments);
    QVERIFY(sim.waitForFinished(kExitTimeoutMs));
    QCOMPARE(sim.exitCode(), 2);
    // No line was made: nothing on standard output.
    QCOMPARE(sim.readAllStandardOutput(), QByteArray());
    const QString error = QString::fromLocal8Bit(sim.readAllStandardError());
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestSimProgram::answersTheToolInRealTime() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tavixat-line"));
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--pace"), QStringLiteral("--link"), link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.linePath);

    mapComOneTo(link);
    QtPlatform platform;
    QtSerialPort port;
    modComm comm(port, platform);
    QVERIFY(comm.OpenPort(1));
    QVERIFY(exchange::sendAcknowledged(comm, command::Ping, reply::Ready));
    QCOMPARE(exchange::requestVersion(comm, platform), QStringLiteral("v2.0"));
    QCOMPARE(exchange::querySettings(comm, platform), sim::DeviceSettings{}.queryFields());
    comm.ClosePort();

    sim.process.terminate();
    QVERIFY(waitForExit(sim.process));
    QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    const QString log = sim.log();
    for (const char* command : {"<PING>  -> [READY]", "<VERS>  -> [v2.0]", "<QUERY>  -> [TavixAT]"})
        QVERIFY2(log.contains(QLatin1String(command)), qPrintable(log));
}

void TestSimProgram::hangUpReachesTheTool() {
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--hang-up-after-commands"), QStringLiteral("1")}));
    mapComOneTo(sim.linePath);
    QtPlatform platform;
    QtSerialPort port;
    modComm comm(port, platform);
    QSignalSpy lost(&port, &SerialPort::linkLost);
    QVERIFY(comm.OpenPort(1));
    QVERIFY(exchange::sendAcknowledged(comm, command::Ping, reply::Ready));
    QVERIFY(!exchange::sendAcknowledged(comm, command::Ping, reply::Ready));
    QVERIFY2(waitForExit(sim.process), qPrintable(sim.log()));
    QCOMPARE(sim.process.exitCode(), 0);
    QTRY_COMPARE(lost.count(), 1);
    QVERIFY(!comm.isPortOpen());
}

QTEST_MAIN(TestSimProgram)
#include "test_simprogram.moc"
