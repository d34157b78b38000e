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

    // One schedule of replies, run at the window's pace and at the wire's: the same result and
    // the same fields left for later, at the window's time and at the wire's.
    void paces_data() {
        // ack (after a ping that went unanswered), version or query
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QString>("schedule"); // "MS:BYTES" by spaces, MS after the command
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("windowMs");
        QTest::addColumn<int>("wireMs");
        QTest::addColumn<QString>("left"); // the fields read afterwards, by "|"
        const QString twelve = "[a][b][c][d][e][f][g][h][i][j][k][l]";
        QString spread; // a field each 130 ms
        for (int i = 0; i < 12; ++i)
            spread += QStringLiteral(" %1:[%2]").arg(130 * (i + 1)).arg(QChar(u'a' + i));
        QTest::newRow("early") << "ack"
                               << "5:[OK]"
                               << "true" << 100 << 5 << "";
        QTest::newRow("one on each poll") << "ack"
                                          << "100:[A] 200:[B] 300:[C] 400:[OK]"
                                          << "true" << 400 << 400 << "";
        QTest::newRow("behind four others") << "ack"
                                            << "0:[A][B][C][D][OK]"
                                            << "false" << 500 << 500 << "OK";
        QTest::newRow("just after the last read") << "ack"
                                                  << "401:[OK] 402:[X]"
                                                  << "false" << 500 << 500 << "OK|X";
        QTest::newRow("a wrong field first") << "ack"
                                             << "10:[ERROR] 20:[OK]"
                                             << "true" << 200 << 20 << "";
        QTest::newRow("noise, a field over two reads") << "ack"
                                                       << "30:\r\n>x] 60:[O 150:K]\r\n[Z"
                                                       << "true" << 200 << 150 << "";
        QTest::newRow("a late reply owed, dropped") << "ack after a ping"
                                                    << "10:[READY] 20:[OK]"
                                                    << "true" << 100 << 20 << "";
        QTest::newRow("version at once") << "version"
                                         << "3:[v2.0] 4:[X]"
                                         << "v2.0" << 100 << 3 << "X";
        QTest::newRow("version after the limit") << "version"
                                                 << "1501:[v2.0]"
                                                 << "none" << 1500 << 1500 << "v2.0";
        QTest::newRow("twelve at once, one more") << "query"
                                                  << "5:" + twelve + "[m]"
                                                  << "a,b,c,d,e,f,g,h,i,j,k,l" << 400 << 5 << "m";
        QTest::newRow("spread over the wait")
            << "query" << spread.mid(1) << "a,b,c,d,e,f,g,h,i,j,k,l" << 1600 << 1560 << "";
        QTest::newRow("the twelfth after the limit")
            << "query"
            << "5:" + twelve.chopped(3) + " 2001:[l]"
            << "a,b,c,d,e,f,g,h,i,j,k" << 2000 << 2000 << "l";
    }

    void paces() {
        QFETCH(QString, exchange);
        QFETCH(QString, schedule);
        QFETCH(QString, result);
        QFETCH(int, windowMs);
        QFETCH(int, wireMs);
        QFETCH(QString, left);
        for (const Pace pace : {Pace::Window, Pace::Wire}) {
            test::FakePlatform platform;
            test::FakeSerialPort port{platform.clock};
            modComm comm{port, platform};
            comm.setPace(pace);
            QVERIFY(comm.OpenPort(1));
            if (exchange.endsWith("ping"))
                QVERIFY(!exchange::sendAcknowledged(comm, "<PING>", "READY"));
            const qint64 start = platform.now();
            for (const QString& piece : schedule.split(' '))
                port.feed(piece.section(':', 1).toLatin1(),
                          start + piece.section(':', 0, 0).toInt());
            const QString got =
                exchange.startsWith("ack")
                    ? (exchange::sendAcknowledged(comm, "<NAME=X>", "OK") ? "true" : "false")
                : exchange == "version" ? exchange::requestVersion(comm, platform).value_or("none")
                                        : exchange::querySettings(comm, platform).join(',');
            // The result, the fields left for later and the time, each pace named.
            QStringList seen{got, {}, QString::number(platform.now() - start)};
            for (platform.sleep(5000); const auto field = comm.TakeReplyField();)
                seen[1] += (seen[1].isEmpty() ? "" : "|") + *field;
            const int ms = pace == Pace::Wire ? wireMs : windowMs;
            QCOMPARE(seen << QString::number(int(pace)),
                     (QStringList{result, left, QString::number(ms), QString::number(int(pace))}));
        }
    }
};

QTEST_GUILESS_MAIN(TestDevice)
#include "test_device.moc"
