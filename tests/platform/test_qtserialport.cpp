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

namespace {

void mapPort(int number, const QString& path) {
    storeText(QStringLiteral("Ports/COM") + QString::number(number), path);
}

// Reads the port the way the serial link does, without the event loop, until `size` bytes came.
QByteArray pollInput(QtSerialPort& port, qsizetype size) {
    QByteArray input;
    const QDeadlineTimer deadline(1000);
    while (input.size() < size && !deadline.hasExpired())
        input += port.readInput();
    return input;
}

} // namespace

// The Qt serial port against a pseudo-terminal: real bytes, real clock, kept short.
class TestQtSerialPort : public QObject {
    Q_OBJECT
    PrivateSettings settings_;

    struct Rig {
        PseudoTerminal far;
        QtSerialPort port;
        bool open() {
            mapPort(1, far.slavePath());
            QString description;
            return far.isValid() && port.setCommPort(1) && port.open(description) &&
                   description.isEmpty();
        }
    };

    enum class Ending { NoticedByRead, NoticedByEventLoop, ClosedNormally };

private slots:
    void openFails_data();
    void openFails();
    void writtenBytesArrive_data();
    void writtenBytesArrive();
    void pendingInputIsReadWithoutEventLoop();
    void discardInput_data();
    void discardInput();
    void rtsOnPortWithoutModemLines();
    void linkLoss_data();
    void linkLoss();
};

void TestQtSerialPort::openFails_data() {
    QTest::addColumn<bool>("missingDevice");
    QTest::addColumn<bool>("alreadyOpen");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing device") << true << false << "9600,N,8,1"
                                    << "no such device";
    QTest::newRow("in use by another port") << false << true << "9600,N,8,1"
                                            << "busy";
    QTest::newRow("malformed settings") << false << false << "9600,N,8"
                                        << "not valid";
}

void TestQtSerialPort::openFails() {
    QFETCH(bool, missingDevice);
    QFETCH(bool, alreadyOpen);
    QFETCH(QString, settings);
    QFETCH(QString, reason);
    Rig rig;
    if (alreadyOpen)
        QVERIFY(rig.open());
    const QString path =
        missingDevice ? QStringLiteral("/nonexistent/ttyTAVIX") : rig.far.slavePath();
    mapPort(2, path);
    QtSerialPort port;
    QVERIFY(port.setCommPort(2));
    port.setSettings(settings);

    QString description;
    QVERIFY(!port.open(description));
    QVERIFY(!port.isOpen());
    QVERIFY2(description.startsWith(path + u':'), qPrintable(description));
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
    rig.port.writeOutput(bytes);
    if (closeAtOnce)
        rig.port.close();
    QCOMPARE(rig.far.receive(), bytes);
}

void TestQtSerialPort::pendingInputIsReadWithoutEventLoop() {
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.far.send("[READY]"));
    QCOMPARE(pollInput(rig.port, 7), QByteArray("[READY]"));
    QCOMPARE(rig.port.readInput(), QByteArray());
}

void TestQtSerialPort::discardInput_data() {
    QTest::addColumn<bool>("eventLoopRan");
    QTest::newRow("held by the system") << false;
    QTest::newRow("already taken in by the port") << true;
}

void TestQtSerialPort::discardInput() {
    QFETCH(bool, eventLoopRan);
    Rig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.far.send("[STALE]"));
    if (eventLoopRan)
        QTest::qWait(50);
    else
        QThread::msleep(50);
    rig.port.discardInput();
    QVERIFY(rig.far.send("[NEW]"));
    QCOMPARE(pollInput(rig.port, 5), QByteArray("[NEW]"));
}

void TestQtSerialPort::rtsOnPortWithoutModemLines() {
    Rig rig;
    rig.port.setRtsEnable(true);
    QVERIFY(rig.open());
    rig.port.setRtsEnable(false);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.rtsEnable(), false);
    rig.port.writeOutput("<PING>");
    QCOMPARE(rig.far.receive(), QByteArray("<PING>"));
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

    if (ending == Ending::ClosedNormally) {
        rig.port.close();
    } else {
        rig.far.hangUp();
    }
    if (ending == Ending::NoticedByRead) {
        const QDeadlineTimer deadline(1000);
        while (rig.port.isOpen() && !deadline.hasExpired())
            rig.port.readInput();
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(lost.count(), 0); // reported from a queued call, not from inside the read
    }
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.isOpen(), 1000);
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
