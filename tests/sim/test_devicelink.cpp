#include "DeviceLink.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"

#include <QSignalSpy>
#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

// The device model behind the fake port: RTS reaches it, its replies arrive at its times, and
// its hang-up reaches the port.
class TestDeviceLink : public QObject {
    Q_OBJECT

    struct Rig {
        FakePlatform platform;
        FakeSerialPort port{platform.clock};
        DeviceLink link;
        explicit Rig(sim::DeviceFaults faults) : link(port, platform, {}, std::move(faults)) {
            QString error;
            port.open(error);
        }
    };

private slots:
    void repliesFollowTheRtsLine_data();
    void repliesFollowTheRtsLine();
    void hangUpReachesThePort_data();
    void hangUpReachesThePort();
};

void TestDeviceLink::repliesFollowTheRtsLine_data() {
    QTest::addColumn<bool>("answerOnlyWith");
    QTest::addColumn<bool>("rts");
    QTest::addColumn<QByteArray>("readable");

    QTest::newRow("asserted device, asserted line") << true << true << QByteArray("[READY]\r\n");
    QTest::newRow("asserted device, line dropped") << true << false << QByteArray();
    QTest::newRow("de-asserted device, line dropped")
        << false << false << QByteArray("[READY]\r\n");
    QTest::newRow("de-asserted device, asserted line") << false << true << QByteArray();
}

void TestDeviceLink::repliesFollowTheRtsLine() {
    QFETCH(bool, answerOnlyWith);
    QFETCH(bool, rts);
    sim::DeviceFaults faults;
    faults.answerOnlyWithRts = answerOnlyWith;
    faults.latencyMs = 30;
    Rig rig(faults);
    rig.port.setRtsEnable(rts);
    rig.port.writeOutput("<PING>");
    rig.platform.sleep(29);
    QCOMPARE(rig.port.readInput(), QByteArray());
    rig.platform.sleep(1);
    QTEST(rig.port.readInput(), "readable");
}

void TestDeviceLink::hangUpReachesThePort_data() {
    QTest::addColumn<int>("afterCommands");
    QTest::addColumn<int>("afterMs");
    QTest::addColumn<qint64>("lostAt");

    QTest::newRow("at the second command") << 1 << -1 << 200LL;
    QTest::newRow("at a time") << -1 << 150 << 150LL;
}

void TestDeviceLink::hangUpReachesThePort() {
    QFETCH(int, afterCommands);
    QFETCH(int, afterMs);
    sim::DeviceFaults faults;
    if (afterCommands > 0)
        faults.hangUpAfterCommands = afterCommands;
    if (afterMs >= 0)
        faults.hangUpAfterMs = afterMs;
    Rig rig(faults);
    QSignalSpy lost(&rig.port, &SerialPort::linkLost);
    qint64 lostAt = -1;
    connect(&rig.port, &SerialPort::linkLost, this, [&] { lostAt = rig.platform.now(); });

    rig.port.writeOutput("<PING>");
    // Like a wait: events, then a sleep, ten times over.
    for (int i = 0; i < 10 && rig.port.isOpen(); ++i) {
        if (rig.platform.now() == 200)
            rig.port.writeOutput("<PING>");
        rig.platform.processEvents();
        rig.platform.sleep(50);
    }
    QCOMPARE(lost.count(), 1);
    QVERIFY(!rig.port.isOpen());
    QTEST(lostAt, "lostAt");
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "test_devicelink.moc"
