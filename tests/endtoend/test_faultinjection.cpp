#include "EndToEndRig.h"

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
// Long enough for a lost line to reach the window through the event loop.
constexpr int kNoticeTimeoutMs = 3000;

// The port's own words follow, naming the line.
const QString kLinkLost = QStringLiteral("ERROR, Check COM1!\r\n<line>");

} // namespace

// The whole tool against a misbehaving simulated device, in real time: it neither crashes nor
// hangs, tells the user once, ends connected or disconnected as the rules say, and connects to
// a healthy device afterwards.
class TestFaultInjection : public QObject {
    Q_OBJECT
private slots:
    void survivesTheFault_data();
    void survivesTheFault();
};

void TestFaultInjection::survivesTheFault_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("during");            // "connect", "save", "keep-alive" or "kill"
    QTest::addColumn<QString>("shownAfterConnect"); // empty: not connected by then
    QTest::addColumn<QString>("message");           // how it starts; empty: none
    QTest::addColumn<bool>("connectedAfter");

    const QString none;
    QTest::newRow("noise between fields")
        << QStringList{"--noise", "\\r\\n#~\\x07 "} << "connect" << kFreshDevice << none << true;
    QTest::newRow("fields split byte by byte, in time")
        << QStringList{"--byte-interval", "3"} << "connect" << kFreshDevice << none << true;
    // The ping's reply is gathered over several reads; the version's is not whole by its read.
    QTest::newRow("fields split byte by byte, the version too slow")
        << QStringList{"--byte-interval", "50"} << "connect" << none
        << "Invalid firmware version ()!" << false;
    // The ping's reply comes only after the whole field: an answered keep-alive proves it read.
    // Nothing complete was read: the fallbacks for missing fields, and the lists left as they were.
    QTest::newRow("a 200 kB field with no closing bracket")
        << QStringList{"--runaway-field", "204800"} << "keep-alive"
        << "|||||Slave|0000 00 00 0000|||discoverable|PIN request" << none << true;
    QTest::newRow("hangs up during the version request")
        << QStringList{"--hang-up-after-commands", "1"} << "connect" << none << kLinkLost << false;
    // Ping and version replies are 9 and 8 bytes; five query fields and "[SL" follow.
    QTest::newRow("hangs up in the middle of the query")
        << QStringList{"--hang-up-after-bytes", "47"} << "connect" << none << kLinkLost << false;
    // Ping, version, query, name and PIN are answered; the baud rate meets a dead line.
    QTest::newRow("hangs up in the middle of a save")
        << QStringList{"--hang-up-after-commands", "5"} << "save" << kFreshDevice << kLinkLost
        << false;
    QTest::newRow("stops acknowledging in the middle of a save")
        << QStringList{"--stop-after-commands", "4"} << "save" << kFreshDevice
        << "No reply from device!" << true;
    QTest::newRow("stops answering during the keep-alive")
        << QStringList{"--stop-after-commands", "3"} << "keep-alive" << kFreshDevice << none
        << false;
    QTest::newRow("pulled off the line while connected")
        << QStringList{} << "kill" << kFreshDevice << kLinkLost << false;
}

void TestFaultInjection::survivesTheFault() {
    QFETCH(QStringList, simOptions);
    QFETCH(QString, during);
    QFETCH(QString, shownAfterConnect);
    QFETCH(QString, message);
    SimProcess sim;
    QVERIFY(sim.start(simOptions));
    EndToEndRig rig;
    QElapsedTimer elapsed;
    elapsed.start();

    rig.connectTo(sim.linePath());
    // However much of a field without its end has come, the reader keeps no more than its bound.
    QVERIFY(rig.comm.fieldText().size() <= modComm::kMaxFieldLength);
    if (!shownAfterConnect.isEmpty()) {
        QCOMPARE(rig.state(), connectedState());
        QCOMPARE(rig.shownSettings(), shownAfterConnect);
    }
    if (during == "save") {
        rig.form.cmdWrite_Click();
    } else if (during == "keep-alive") {
        QTRY_VERIFY_WITH_TIMEOUT(sim.heardCommands().count("<PING>") >= 2, kTickTimeoutMs);
        QTest::qWait(kPingWaitMs);
    } else if (during == "kill") {
        sim.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.platform.messages.isEmpty(), kNoticeTimeoutMs);
    }

    QVERIFY2(elapsed.elapsed() < kFaultBoundMs, qPrintable(QString::number(elapsed.elapsed())));
    const QStringList told = rig.platform.messages;
    QCOMPARE(told.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        const QString expected = QString(message).replace("<line>", sim.linePath());
        QVERIFY2(told.first().startsWith(expected), qPrintable(told.first()));
    }
    QFETCH(bool, connectedAfter);
    QCOMPARE(rig.state(), connectedAfter ? connectedState() : disconnectedState());

    // Later, a healthy device on the same port name: Connect works, and nothing more is said.
    if (connectedAfter)
        rig.form.cmdConnect_Click(); // Disconnect
    SimProcess healthy;
    QVERIFY(healthy.start());
    rig.connectTo(healthy.linePath());
    QCOMPARE(rig.state(), connectedState());
    QCOMPARE(rig.shownSettings(), kFreshDevice);
    QCOMPARE(rig.platform.messages, told);
}

QTEST_MAIN(TestFaultInjection)
#include "test_faultinjection.moc"
