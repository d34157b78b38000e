#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;

// Opening the one port, and cutting the device's output into reply fields.
class TestModComm : public QObject {
    Q_OBJECT

    struct Rig {
        test::FakePlatform platform;
        test::FakeSerialPort port{platform.clock};
        modComm comm{port, platform};
    };

private slots:
    void openPort_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message"); // none when the port opens
        QTest::newRow("opens") << 12 << QString();
        QTest::newRow("refused by the port") << 3 << "ERROR, Check COM3!\r\nbusy";
        QTest::newRow("no entry selected")
            << 0 << "ERROR, Check COM0!\r\nThere is no serial port number 0; choose COM1 to COM16.";
    }

    void openPort() {
        QFETCH(int, number);
        QFETCH(QString, message);
        Rig rig;
        rig.port.failOpenOf(3, "busy");
        QCOMPARE(rig.comm.OpenPort(number), message.isEmpty());
        QCOMPARE(rig.platform.messages.value(0).text, message);
        if (number)
            QCOMPARE(rig.port.settings + u' ' + QString::number(rig.port.inputLen), "9600,N,8,1 0");
    }

    void replyFields_data() {
        // "|" cuts the output into reads; "#" before a read closes and opens the port first
        QTest::addColumn<QByteArray>("arrivals");
        QTest::addColumn<QString>("fields"); // one per read, then the text of a field left open
        const QByteArray bound(4096, 'a');   // the longest field kept
        QTest::newRow("field, line end") << QByteArray("[READY]\r\n|") << "READY||";
        QTest::newRow("split over reads") << QByteArray("[RE|AD|Y]") << "||READY|";
        QTest::newRow("noise, stray ], [], [A[") << QByteArray("\r\n>x]y[][A[OK] z||") << "||OK|";
        QTest::newRow("field left open") << QByteArray("z[AB") << "|AB";
        QTest::newRow("a new connection starts clean")
            << QByteArray("[RE][A|#DY][OK]|") << "RE||OK|";
        QTest::newRow("at the bound: kept") << '[' + bound + ']' << QString(bound + '|');
        QTest::newRow("one past: dropped") << '[' + bound + "a][OK]|" << QString("|OK|");
        QTest::newRow("far past: nothing gathered") << '[' + bound + bound + "x|]" << QString("||");
    }

    void replyFields() {
        QFETCH(QByteArray, arrivals);
        Rig rig;
        QVERIFY(rig.comm.OpenPort(1));
        QStringList got;
        for (QByteArray bytes : arrivals.split('|')) {
            if (bytes.startsWith('#')) {
                rig.comm.ClosePort();
                QVERIFY(rig.comm.OpenPort(1));
                bytes.remove(0, 1);
            }
            rig.port.feedNow(bytes);
            got << rig.comm.NextReplyField();
        }
        QTEST((got << rig.comm.fieldText()).join(u'|'), "fields");
    }
};

QTEST_GUILESS_MAIN(TestModComm)
#include "test_modcomm.moc"
