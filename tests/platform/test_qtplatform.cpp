#include "PortNames.h"
#include "PrivateSettings.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"
#include "modComm.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace tavixat;
using namespace tavixat::test;

namespace {

// A port under test on COM1, which the store points at a pseudo-terminal; `far` is the terminal's
// master side, the device's end of the line.
struct PtyRig {
    int far = ::posix_openpt(O_RDWR | O_NOCTTY);
    QtSerialPort port;

    PtyRig() { ::grantpt(far), ::unlockpt(far); }
    ~PtyRig() { hangUp(); }
    QString path() const { return QString::fromLocal8Bit(::ptsname(far)); }
    bool send(const QByteArray& bytes) { return ::write(far, bytes, size_t(bytes.size())) > 0; }
    void hangUp() { ::close(std::exchange(far, -1)); }

    // RTS is set before the open: a pseudo-terminal has no modem lines, and that must not stop
    // the port. The port puts the line into raw mode itself.
    bool open() {
        QString description;
        port.setRtsEnable(true);
        return storeText(QStringLiteral("Ports/COM1"), path()) && port.open(description);
    }
    // What the port reads, as the serial link polls it, until `size` bytes came or it closed.
    QByteArray read(qsizetype size) {
        QByteArray input;
        for (QDeadlineTimer t(1000); input.size() < size && port.isOpen() && !t.hasExpired();)
            input += port.readInput();
        return input;
    }
    // What arrives at the far end within a second; the port writes a command in one go.
    QByteArray receive() {
        char chunk[64];
        pollfd p{far, POLLIN, 0};
        const ssize_t n = ::poll(&p, 1, 1000) > 0 ? ::read(far, chunk, sizeof chunk) : 0;
        return QByteArray(chunk, qMax<ssize_t>(n, 0));
    }
};

} // namespace

// The Qt platform and serial port against real pseudo-terminals, message boxes and settings.
class TestQtPlatform : public QObject {
    Q_OBJECT
    PrivateSettings settings_; // first: before any settings object exists

private slots:
    void devicePath_data();
    void devicePath();
    void openPortThroughSerialLink_data();
    void openPortThroughSerialLink();
    void writesArrive_data();
    void writesArrive();
    void pendingInput();
    void hangUpReportedOnce_data();
    void hangUpReportedOnce();
};

void TestQtPlatform::devicePath_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("stored"); // the entry for the port under "Ports"
    QTest::addColumn<QString>("path");
    QTest::newRow("COM1") << 1 << QString() << "/dev/ttyS0";
    QTest::newRow("COM16") << 16 << QString() << "/dev/ttyS15";
    QTest::newRow("blank entry") << 5 << QStringLiteral("  ") << "/dev/ttyS4";
}

void TestQtPlatform::devicePath() {
    QFETCH(int, number);
    QFETCH(QString, stored);
    QTEST(devicePathFor(number, stored, PortNaming::Unix), "path");
}

void TestQtPlatform::openPortThroughSerialLink_data() {
    QTest::addColumn<bool>("deviceThere");
    QTest::addColumn<QString>("stored"); // the remembered port afterwards
    QTest::newRow("opens and is remembered") << true << "12";
    QTest::newRow("missing device: the message names it") << false << "7";
}

void TestQtPlatform::openPortThroughSerialLink() {
    QFETCH(bool, deviceThere);
    PtyRig device;
    const QString path = deviceThere ? device.path() : QStringLiteral("/nonexistent/ttyTAVIX");
    QVERIFY(storeText(QStringLiteral("Ports/COM12"), path));
    QVERIFY(storeText(QStringLiteral("Properties/CommPort"), QStringLiteral("7")));
    QtPlatform platform;
    QtSerialPort port;
    modComm comm(port, platform);
    QString seen; // title, icon and text of the box, read once its own event loop runs
    QTimer::singleShot(0, [&seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + u'|' + QString::number(box->icon()) + u'|' + box->text();
            box->done(QMessageBox::Ok);
        }
    });

    QCOMPARE(comm.OpenPort(12), deviceThere);
    QCoreApplication::processEvents(); // lets the watcher go when no box opened
    QTEST(readStoredText(QStringLiteral("Properties/CommPort"), {}), "stored");
    const QString box = "TavixAT Setup|" + QString::number(QMessageBox::Critical) +
                        "|ERROR, Check COM12!\n" + path + ": ";
    QVERIFY2(deviceThere ? seen.isEmpty() : seen.startsWith(box), qPrintable(seen));
}

void TestQtPlatform::writesArrive_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closeAtOnce");
    QTest::newRow("ping, nothing added") << QByteArray("<PING>") << false;
    QTest::newRow("last command before close") << QByteArray("<EXIT>") << true;
}

void TestQtPlatform::writesArrive() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closeAtOnce);
    PtyRig rig;
    QVERIFY(rig.open());
    termios line{};
    // The master sees the line settings the port made; a pty always has 8 bits and no parity.
    ::tcgetattr(rig.far, &line);
    QCOMPARE(::cfgetospeed(&line), speed_t(B9600));
    QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(0)); // one stop bit

    rig.port.setRtsEnable(false); // refused by the pty while open, too: no harm
    rig.port.writeOutput(bytes);
    if (closeAtOnce)
        rig.port.close();
    QCOMPARE(rig.receive(), bytes);
}

void TestQtPlatform::pendingInput() {
    PtyRig rig;
    QVERIFY(rig.open() && rig.send("[OLD]"));
    QCOMPARE(rig.read(5), QByteArray("[OLD]")); // pulled from the system, no event loop needed
    QVERIFY(rig.send("[A]"));
    QTest::qWait(50); // the event loop moves it into QSerialPort's buffer
    QVERIFY(rig.send("[B]"));
    ::usleep(50'000); // this one waits in the system's queue
    rig.port.discardInput();
    QVERIFY(rig.send("[NEW]"));
    QCOMPARE(rig.read(5), QByteArray("[NEW]"));

    // What reached the line before an open belongs to no exchange of this session.
    QVERIFY(rig.send("[LATE]"));
    ::usleep(50'000);
    rig.port.close();
    QVERIFY(rig.open() && rig.send("[NOW]"));
    QCOMPARE(rig.read(5), QByteArray("[NOW]"));
}

void TestQtPlatform::hangUpReportedOnce_data() {
    QTest::addColumn<bool>("noticedByRead");
    QTest::newRow("noticed by a read") << true;
    QTest::newRow("noticed by the event loop") << false;
}

void TestQtPlatform::hangUpReportedOnce() {
    QFETCH(bool, noticedByRead);
    PtyRig rig;
    QSignalSpy lost(&rig.port, &SerialPort::linkLost);
    QVERIFY(rig.open());
    rig.hangUp();
    if (noticedByRead)
        rig.read(1);
    QCOMPARE(lost.count(), 0); // reported from a queued call, never from inside a read
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.isOpen(), 1000);
    QTest::qWait(100); // Qt keeps reporting the dead line until the port is closed
    QCOMPARE(lost.count(), 1);
}

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"
