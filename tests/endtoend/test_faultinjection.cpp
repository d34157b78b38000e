#include "EndToEndRig.h"
#include "SimProcess.h"

#include <QElapsedTimer>
#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

namespace {

// The longest any faulty exchange below may keep the tool: a connect (about 1.1 s), then a save
// or one keep-alive tick with its wait, with room for a loaded machine. Past it, something hangs.
constexpr qint64 kFaultBoundMs = 4500;
// A keep-alive tick falls due within a second of the connect; its ping waits at most 500 ms.
constexpr int kTickTimeoutMs = 3000;
constexpr int kPingWaitMs = 600;

// Stands for "ERROR, Check COM1!", a line break and the port's own words naming the line.
const QString kLinkLost = QStringLiteral("ERROR, Check COM1!\r\n");
const QString kNoReply = QStringLiteral("No reply from device!");

QString gate(const QString& version) {
    return "Invalid firmware version (" + version + ")!\r\n\r\nIt must be v2.0 or higher!";
}

// The query read nothing complete: empty texts, the lists as they were, and the fallbacks for
// missing fields (Slave, no peer address, discoverable, PIN request on).
const QStringList kNothingRead{
    "", "", "", "", "", "Slave", "0000 00 00 0000", "", "", "discoverable", "PIN request"};

} // namespace

// The whole tool against a misbehaving simulated device, in real time: it neither crashes nor
// hangs, tells the user what the rules say, ends connected or disconnected as they say, and
// connects to a healthy device afterwards.
class TestFaultInjection : public QObject {
    Q_OBJECT
private slots:
    void survivesTheFault_data();
    void survivesTheFault();

private:
    void verifyMessage(const EndToEndRig& rig, const QString& expected, const QString& linePath);
};

void TestFaultInjection::survivesTheFault_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("during");                // "connect", "save" or "keep-alive"
    QTest::addColumn<QStringList>("shownAfterConnect"); // empty: not connected by then
    QTest::addColumn<QString>("message");               // empty: none
    QTest::addColumn<bool>("connectedAfter");

    const QStringList fresh = freshDeviceSettings();
    const QStringList none;
    QTest::newRow("noise between fields")
        << QStringList{"--noise", "\\r\\n#~\\x07 "} << "connect" << fresh << "" << true;
    QTest::newRow("fields split byte by byte, in time")
        << QStringList{"--byte-interval", "3"} << "connect" << fresh << "" << true;
    // The ping's reply is gathered over several reads; the version's is not whole by its read.
    QTest::newRow("fields split byte by byte, the version too slow")
        << QStringList{"--byte-interval", "50"} << "connect" << none << gate("") << false;
    // The ping's reply comes only after the whole field: an answered keep-alive proves it read.
    QTest::newRow("a 200 kB field with no closing bracket")
        << QStringList{"--runaway-field", "204800"} << "keep-alive" << kNothingRead << "" << true;
    QTest::newRow("hangs up during the version request")
        << QStringList{"--hang-up-after-commands", "1"} << "connect" << none << kLinkLost << false;
    // Ping and version replies are 9 and 8 bytes; five query fields and "[SL" follow.
    QTest::newRow("hangs up in the middle of the query")
        << QStringList{"--hang-up-after-bytes", "47"} << "connect" << none << kLinkLost << false;
    // Ping, version, query, name and PIN are answered; the baud rate meets a dead line.
    QTest::newRow("hangs up in the middle of a save")
        << QStringList{"--hang-up-after-commands", "5"} << "save" << fresh << kLinkLost << false;
    QTest::newRow("stops acknowledging in the middle of a save")
        << QStringList{"--stop-after-commands", "4"} << "save" << fresh << kNoReply << true;
    QTest::newRow("stops answering during the keep-alive")
        << QStringList{"--stop-after-commands", "3"} << "keep-alive" << fresh << "" << false;
}

void TestFaultInjection::survivesTheFault() {
    QFETCH(QStringList, simOptions);
    QFETCH(QString, during);
    QFETCH(QStringList, shownAfterConnect);
    QFETCH(QString, message);
    QFETCH(bool, connectedAfter);
    SimProcess sim;
    QVERIFY(sim.start(simOptions));
    EndToEndRig rig;
    QElapsedTimer elapsed;
    elapsed.start();

    rig.connectTo(sim.linePath());
    // However much of a field without its end has come, the reader keeps no more than its bound.
    QVERIFY(rig.comm.fieldText().size() <= modComm::kMaxFieldLength);
    if (!shownAfterConnect.isEmpty()) {
        QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));
        QCOMPARE(rig.shownSettings(), shownAfterConnect);
    }
    if (during == "save") {
        rig.form->cmdWrite_Click();
    } else if (during == "keep-alive") {
        QTRY_VERIFY_WITH_TIMEOUT(sim.heardCommands().count("<PING>") >= 2, kTickTimeoutMs);
        QTest::qWait(kPingWaitMs);
    }

    QVERIFY2(elapsed.elapsed() < kFaultBoundMs, qPrintable(QString::number(elapsed.elapsed())));
    verifyMessage(rig, message, sim.linePath());
    if (connectedAfter)
        QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));
    else
        QVERIFY2(rig.isDisconnected(), qPrintable(rig.describeState()));
    // Only the user's Disconnect or Exit says goodbye to the device.
    QVERIFY(!sim.heardCommands().contains("<EXIT>"));

    // Later, a healthy device on the same port name: Connect works, and nothing more is said.
    const QStringList told = rig.platform.messageTexts();
    if (connectedAfter)
        rig.form->cmdConnect_Click(); // Disconnect
    SimProcess healthy;
    QVERIFY(healthy.start());
    rig.connectTo(healthy.linePath());
    QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));
    QCOMPARE(rig.shownSettings(), freshDeviceSettings());
    QCOMPARE(rig.platform.messageTexts(), told);
}

void TestFaultInjection::verifyMessage(const EndToEndRig& rig, const QString& expected,
                                       const QString& linePath) {
    const QStringList texts = rig.platform.messageTexts();
    if (expected.isEmpty()) {
        QCOMPARE(texts, QStringList{});
        return;
    }
    QCOMPARE(texts.size(), 1);
    QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
    if (expected == kLinkLost)
        QVERIFY2(texts.first().startsWith(kLinkLost + linePath), qPrintable(texts.first()));
    else
        QCOMPARE(texts.first(), expected);
}

QTEST_MAIN(TestFaultInjection)
#include "test_faultinjection.moc"
