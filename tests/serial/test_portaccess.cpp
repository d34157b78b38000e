#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

// Opening, closing, flushing and sending, and the remembered port.
class TestPortAccess : public QObject {
    Q_OBJECT

    struct Rig {
        FakePlatform platform;
        FakeSerialPort port{platform.clock};
        modComm comm{port, platform};
    };

private slots:
    void openPort_data();
    void openPort();
    void openWhileOpenKeepsThePort();
    void sendCommand_data();
    void sendCommand();
    void flushDiscardsWaitingInput();
};

void TestPortAccess::openPort_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("failOpen");
    QTest::addColumn<bool>("failSaving");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("message");

    const QString none;
    QTest::newRow("COM12 opens and is stored") << 12 << false << false << true << "12" << none;
    QTest::newRow("COM1 opens and is stored") << 1 << false << false << true << "1" << none;
    QTest::newRow("COM3 cannot be opened") << 3 << true << false << false << "7"
                                           << "ERROR, Check COM3!\r\n/dev/ttyS2: busy";
    QTest::newRow("no entry selected")
        << 0 << false << false << false << "7"
        << "ERROR, Check COM0!\r\nThere is no serial port number 0; choose COM1 to COM16.";
    QTest::newRow("number past the list")
        << 17 << false << false << false << "7"
        << "ERROR, Check COM17!\r\nThere is no serial port number 17; choose COM1 to COM16.";
    QTest::newRow("store fails, open still counts") << 4 << false << true << true << "7" << none;
}

void TestPortAccess::openPort() {
    QFETCH(int, number);
    QFETCH(bool, failOpen);
    QFETCH(QString, message);
    Rig rig;
    rig.platform.settings.insert("Properties/CommPort", "7");
    QFETCH(bool, failSaving);
    rig.platform.failSaving = failSaving;
    if (failOpen)
        rig.port.failOpenOf(number, "/dev/ttyS2: busy");

    QTEST(rig.comm.OpenPort(number), "result");
    QTEST(rig.platform.settings.value("Properties/CommPort"), "stored");
    QCOMPARE(rig.port.isOpen(), rig.port.opens == 1);
    if (message.isEmpty()) {
        QVERIFY(rig.platform.messages.isEmpty());
        QCOMPARE(rig.port.settings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(rig.port.inputLen, 0);
    } else {
        QCOMPARE(rig.platform.messageTexts(), QStringList{message});
        QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
        QVERIFY(!rig.port.isOpen());
    }
}

void TestPortAccess::openWhileOpenKeepsThePort() {
    Rig rig;
    QVERIFY(rig.comm.OpenPort(2));
    rig.platform.settings.insert("Properties/CommPort", "9");
    QVERIFY(rig.comm.OpenPort(5));
    QCOMPARE(rig.port.commPort(), 2);
    QCOMPARE(rig.port.opens, 1);
    QCOMPARE(rig.platform.settings.value("Properties/CommPort"), QStringLiteral("9"));
}

void TestPortAccess::sendCommand_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("ping, nothing added") << "<PING>" << true << QByteArray("<PING>");
    QTest::newRow("one byte per character")
        << QString::fromLatin1("<NAME=\xe9>") << true << QByteArray("<NAME=\xe9>");
    QTest::newRow("closed port writes nothing") << "<PING>" << false << QByteArray();
}

void TestPortAccess::sendCommand() {
    QFETCH(QString, text);
    QFETCH(bool, open);
    Rig rig;
    if (open)
        QVERIFY(rig.comm.OpenPort(1));
    rig.comm.SendCommand(text);
    QTEST(rig.port.written(), "wire");
}

void TestPortAccess::flushDiscardsWaitingInput() {
    Rig rig;
    QVERIFY(rig.comm.OpenPort(1));
    rig.port.feedNow("[OK]x");
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("OK"));
    rig.port.feedNow("[STALE]");
    rig.comm.FlushInput();
    QCOMPARE(rig.comm.rxBuffer(), QString());
    QCOMPARE(rig.comm.NextReplyField(), QString());

    // On a closed port the flush still empties the buffer.
    rig.port.feedNow("[A][B]");
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("A"));
    rig.comm.ClosePort();
    rig.comm.FlushInput();
    QCOMPARE(rig.comm.rxBuffer(), QString());
}

QTEST_GUILESS_MAIN(TestPortAccess)
#include "test_portaccess.moc"
