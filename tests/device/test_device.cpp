#include "Exchanges.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "Version.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;

// The version gate and the settings query.
class TestDevice : public QObject {
    Q_OBJECT

private slots:
    void versionGate_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("pinLocked");
        QTest::newRow("none") << "" << false << false;
        QTest::newRow("v1.0") << "v1.0" << false << false;
        QTest::newRow("v1.1, the lowest") << "v1.1" << true << true;
        QTest::newRow("v10 sorts as text") << "v10" << true << true;
        QTest::newRow("v2.0, all features") << "v2.0" << true << false;
    }

    void versionGate() {
        QFETCH(QString, version);
        QTEST(isVersionAccepted(version), "accepted");
        QTEST(isPinRequestLocked(version), "pinLocked");
    }

    void settingsQuery() {
        test::FakePlatform platform;
        test::FakeSerialPort port{platform.clock};
        modComm comm{port, platform};
        QVERIFY(comm.OpenPort(1));
        port.feedNow("[READY]"); // waiting before the query: flushed
        port.feed("[a][b][c][d][e][f][g][h][i][j][k][l][m]", 400);
        QCOMPARE(exchange::querySettings(comm, platform).join(""), "abcdefghijkl"); // twelve reads
        QCOMPARE(port.written(), QByteArray("<QUERY>"));
        QCOMPARE(platform.sleeps, QList<int>{400});
    }
};

QTEST_GUILESS_MAIN(TestDevice)
#include "test_device.moc"
