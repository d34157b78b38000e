#include "PrivateSettings.h"
#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace tavixat;
using namespace tavixat::test;

// The Qt serial port against a pseudo-terminal: real bytes, real clock, kept short.
class TestQtSerialPort : public QObject {
    Q_OBJECT
    PrivateSettings settings_;

    // COM1 is the pseudo-terminal. RTS is set before the open: a pty has no modem lines, and
    // that must not stop the port.
    struct Rig {
        PseudoTerminal far;
        QtSerialPort port;
        bool open() {
            storeText(QStringLiteral("Ports/COM1"), far.slavePath());
            port.setRtsEnable(true);
            QString description;
            return far.isValid() && port.open(description) && description.isEmpty();
        }
        // Reads as the serial link does, without the event loop, until `size` bytes came.
        QByteArray pollInput(qsizetype size) {
            QByteArray input;
            const QDeadlineTimer deadline(1000);
            while (input.size() < size && !deadline.hasExpired())
                input += port.readInput();
            return input;
        }
    };

    enum class Ending { NoticedByRead, NoticedByEventLoop, ClosedNormally };

private slots:
    void openFails_data();
    void openFails();
    void writtenBytesArrive_data();
    void writtenBytesArrive();
    void pendingInput_data();
    void pendingInput();
    void linkLoss_data();
    void linkLoss();
};

void TestQtSerialPort::openFails_data() {
    QTest::addColumn<bool>("deviceThere");
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing device") << false << false << "9600,N,8,1"
                                    << "no such device";
    QTest::newRow("in use by another port") << true << true << "9600,N,8,1"
                                            << "busy";
    QTest::newRow("malformed settings") << true << false << "9600,N,8"
                                        << "not valid";
}

void TestQtSerialPort::openFails() {
    QFETCH(bool, deviceThere);
    QFETCH(bool, inUse);
    QFETCH(QString, settings);
    Rig rig;
    if (inUse)
        QVERIFY(rig.open());
    const QString path = deviceThere ? rig.far.slavePath() : PseudoTerminal::missingDevicePath();
    QVERIFY(storeText(QStringLiteral("Ports/COM2"), path));
    QtSerialPort port;
    QVERIFY(port.setCommPort(2));
    port.setSettings(settings);

    QString description;
    QVERIFY(!port.open(description));
    QVERIFY(!port.isOpen());
    QVERIFY2(description.startsWith(path + u':'), qPrintable(description));
    QFETCH(QString, reason);
    QVERIFY2(description.contains(reason), qPrintable(description));
}

void TestQtSerialPort::writtenBytesArrive_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closeAtOnce");

    QTest::newRow("ping, nothing added") << QByteArray("<PING>") << false;
    QTest::newRow("last command before close") << QByteArray("<EXIT>") << true;
    QTest::newRow("long write before close") << QByteArray(3000, 'x') << true;
}

void TestQtSerialPort::writtenBytesArrive() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closeAtOnce);
    Rig rig;
    QVERIFY(rig.open());
    rig.port.setRtsEnable(false); // refused by the pty while open, too: no harm
    rig.port.writeOutput(bytes);
    if (closeAtOnce)
        rig.port.close();
    QCOMPARE(rig.far.receive(), bytes);
}

void TestQtSerialPort::pendingInput_data() {
    QTest::addColumn<bool>("eventLoopRan");
    QTest::addColumn<bool>("discard");
    QTest::addColumn<QByteArray>("read");

    QTest::newRow("read without the event loop") << false << false << QByteArray("[OLD][NEW]");
    QTest::newRow("discarded from the system") << false << true << QByteArray("[NEW]");
    QTest::newRow("discarded from the port's buffer") << true << true << QByteArray("[NEW]");
}

void TestQtSerialPort::pendingInput() {
    QFETCH(bool, eventLoopRan);
    QFETCH(bool, discard);
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.far.send("[OLD]"));
    // Let the bytes reach the system's queue, or, with the event loop, QSerialPort's buffer.
    if (eventLoopRan)
        QTest::qWait(50);
    else
        QThread::msleep(50);
    if (discard)
        rig.port.discardInput();
    QVERIFY(rig.far.send("[NEW]"));
    QFETCH(QByteArray, read);
    QCOMPARE(rig.pollInput(read.size()), read);
    QCOMPARE(rig.port.readInput(), QByteArray());
}

void TestQtSerialPort::linkLoss_data() {
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<int>("reports");
    QTest::newRow("hang-up noticed by a read") << Ending::NoticedByRead << 1;
    QTest::newRow("hang-up noticed by the event loop") << Ending::NoticedByEventLoop << 1;
    QTest::newRow("closed normally") << Ending::ClosedNormally << 0;
}

void TestQtSerialPort::linkLoss() {
    QFETCH(Ending, ending);
    Rig rig;
    QSignalSpy lost(&rig.port, &SerialPort::linkLost);
    QVERIFY(rig.open());
    const QString path = rig.far.slavePath();

    if (ending == Ending::ClosedNormally)
        rig.port.close();
    else
        rig.far.hangUp();
    if (ending == Ending::NoticedByRead) {
        const QDeadlineTimer deadline(1000);
        while (rig.port.isOpen() && !deadline.hasExpired())
            rig.port.readInput();
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(lost.count(), 0); // reported from a queued call, not from inside the read
    }
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.isOpen(), 1000);
    // Qt keeps reporting the dead line until the port is closed: still one report.
    QTest::qWait(50);
    rig.port.readInput();
    QTest::qWait(50);

    QTEST(int(lost.count()), "reports");
    QVERIFY(!rig.port.isOpen());
    if (!lost.isEmpty())
        QVERIFY(lost.first().first().toString().startsWith(path + u':'));
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qtserialport.moc"
