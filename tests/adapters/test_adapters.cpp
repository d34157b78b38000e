#include "PortNames.h"
#include "PortTable.h"
#include "PrivateSettings.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using namespace tavixat;

namespace {

// "COMn=path" rows <-> the maps the code works with.
QHash<QString, QString> entries(const QStringList& rows) {
    QHash<QString, QString> map;
    for (const QString& row : rows)
        map.insert(row.section(u'=', 0, 0), row.section(u'=', 1));
    return map;
}

// A pseudo-terminal stands in for an adapter's /dev/ttyUSBn.
struct Pty {
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    Pty() { ::grantpt(fd), ::unlockpt(fd); }
    ~Pty() { ::close(fd); }
    QString path() const { return QString::fromLocal8Bit(::ptsname(fd)); }
};

QString settingsFile() {
    return QSettings(QStringLiteral("TavixAT Setup")).fileName();
}

} // namespace

class TestAdapters : public QObject {
    Q_OBJECT
    test::PrivateSettings settings_; // first: before any settings object exists

private slots:
    void init() { QDir().rmdir(settingsFile()), QFile::remove(settingsFile()); }
    void numbers_data();
    void numbers();
    void adaptersKeepTheirNumbers();
    void settingsProblems_data();
    void settingsProblems();
    void openFailureMessage_data();
    void openFailureMessage();
    void notASerialPort_data();
    void notASerialPort();
    void options_data();
    void options();
};

void TestAdapters::numbers_data() {
    QTest::addColumn<QStringList>("adapters"); // "by-id path>device"
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QList<int>>("realPorts");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("unnumbered");
    const QString a = "/by-id/usb-A", b = "/by-id/usb-B";
    QTest::newRow("first assignment")
        << QStringList{a + ">/dev/ttyUSB0", b + ">/dev/ttyUSB1"} << QStringList{} << QList<int>{}
        << QStringList{"COM1=" + a, "COM2=" + b} << QStringList{};
    QTest::newRow("real ttyS and hand entries hold numbers")
        << QStringList{a + ">/dev/ttyUSB0"} << QStringList{"COM1=/dev/ttyS7", "COM3= "}
        << QList<int>{2, 4} << QStringList{"COM5=" + a} << QStringList{};
    QTest::newRow("replugged under a new ttyUSB keeps its entry")
        << QStringList{b + ">/dev/ttyUSB0", a + ">/dev/ttyUSB3"} << QStringList{"COM2=" + a}
        << QList<int>{} << QStringList{"COM1=" + b} << QStringList{};
    QTest::newRow("hand entry naming the device")
        << QStringList{a + ">/dev/ttyUSB0"} << QStringList{"COM9=/dev/ttyUSB0"} << QList<int>{}
        << QStringList{} << QStringList{};
    QStringList full;
    for (int n = 1; n <= 15; ++n)
        full << QStringLiteral("COM%1=/dev/x%1").arg(n);
    QTest::newRow("all sixteen taken")
        << QStringList{a + ">/dev/ttyUSB0", b + ">/dev/ttyUSB1"} << full << QList<int>{}
        << QStringList{"COM16=" + a} << QStringList{b};
}

void TestAdapters::numbers() {
    QFETCH(QStringList, adapters);
    QFETCH(QList<int>, realPorts);
    QList<AttachedAdapter> attached;
    for (const QString& row : adapters)
        attached.append({row.section(u'>', 0, 0), row.section(u'>', 1)});
    QFETCH(QStringList, stored);
    const NumberAssignment result =
        assignNumbers(attached, entries(stored), QSet<int>(realPorts.begin(), realPorts.end()));
    QStringList added;
    for (auto it = result.added.cbegin(); it != result.added.cend(); ++it)
        added << portKey(it.key()) + u'=' + it.value();
    QTEST(added, "added");
    QTEST(result.unnumbered, "unnumbered");
}

void TestAdapters::adaptersKeepTheirNumbers() {
    QTemporaryDir byId;
    qputenv("TAVIXAT_SERIAL_BY_ID", byId.path().toLocal8Bit());
    Pty first, second, third, renumbered;
    const auto plug = [&](const char* name, const Pty& tty) {
        QFile::remove(byId.filePath(name));
        return QFile::link(tty.path(), byId.filePath(name));
    };
    const auto numberOf = [](const QString& path) { return readStoredGroup("Ports").key(path); };
    QVERIFY(storeText("Ports/COM1", "/dev/handwritten") && plug("usb-A", first) &&
            plug("usb-B", second));
    refreshPortTable();
    const QString a = byId.filePath("usb-A"), b = byId.filePath("usb-B");
    const QString numberA = numberOf(a), numberB = numberOf(b);
    QVERIFY(!numberA.isEmpty() && !numberB.isEmpty() && numberA != numberB);

    QVERIFY(QFile::remove(a) && plug("usb-C", third) && plug("usb-B", renumbered));
    const PortTable table = refreshPortTable();
    const QHash<QString, QString> now = readStoredGroup("Ports");
    QCOMPARE(now.value("COM1"), "/dev/handwritten");
    QCOMPARE(numberOf(a), numberA);
    QCOMPARE(numberOf(b), numberB);
    const QString numberC = numberOf(byId.filePath("usb-C"));
    QVERIFY(!numberC.isEmpty() && numberC != numberA && numberC != numberB);
    QCOMPARE(now.size(), 4);
    const auto attached = [&](const QString& key) {
        return table.ports.at(key.mid(3).toInt() - 1).attached;
    };
    QVERIFY(!attached(numberA) && attached(numberB) && attached(numberC));
}

void TestAdapters::settingsProblems_data() {
    QTest::addColumn<QByteArray>("content"); // empty: a folder in the file's place
    QTest::addColumn<QString>("problem");
    QTest::newRow("readable") << QByteArray("[Ports]\nCOM2=/dev/x\n") << QString();
    QTest::newRow("not a file") << QByteArray() << " is not a file.";
    QTest::newRow("not INI") << QByteArray("[Ports\nCOM2=/dev/x\n") << " cannot be understood";
}

void TestAdapters::settingsProblems() {
    QFETCH(QByteArray, content);
    QFETCH(QString, problem);
    QFile file(settingsFile());
    QVERIFY(content.isEmpty() ? QDir().mkpath(file.fileName())
                              : file.open(QIODevice::WriteOnly) && file.write(content) > 0);
    file.close();
    const QString found = settingsProblem();
    QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.startsWith(settingsFile() + problem),
             qPrintable(found));
    QCOMPARE(storeText("Ports/COM3", "/dev/y"), problem.isEmpty());
    QCOMPARE(readStoredText("Ports/COM2", "none"), problem.isEmpty() ? "/dev/x" : "none");
    if (!problem.isEmpty() && file.open(QIODevice::ReadOnly))
        QCOMPARE(file.readAll(), content); // nothing the user wrote is lost
}

void TestAdapters::openFailureMessage_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("mayUse");
    QTest::addColumn<QString>("group");
    QTest::addColumn<uint>("mode");
    QTest::addColumn<QStringList>("attached");
    QTest::addColumn<QString>("message");
    const int denied = QSerialPort::PermissionError, serial = int(DeviceFacts::Kind::SerialPort);
    QTest::newRow("group gives access")
        << denied << serial << false << "uucp" << 0660u << QStringList{}
        << "/dev/t: you are not allowed to use this port. Add yourself to the group uucp (sudo "
           "usermod -aG uucp alice), then log out and in again.";
    QTest::newRow("group cannot help")
        << denied << serial << false << "dialout" << 0600u << QStringList{}
        << "/dev/t: you (alice) are not allowed to use this port. It belongs to root (group "
           "dialout) with mode 0600, which no group membership changes: an administrator or a "
           "udev rule must grant you access.";
    QTest::newRow("busy") << denied << serial << true << "dialout" << 0660u << QStringList{}
                          << "/dev/t: the port is busy (in use by another program).";
    QTest::newRow("no device, adapters attached")
        << int(QSerialPort::DeviceNotFoundError) << serial << true << "" << 0u
        << QStringList{"COM2: /dev/ttyS1", "COM3: /by-id/usb-A"}
        << "/dev/t: there is no such device.\r\nAttached now:\r\nCOM2: /dev/ttyS1\r\nCOM3: "
           "/by-id/usb-A";
    QTest::newRow("nothing attached")
        << int(QSerialPort::DeviceNotFoundError) << int(DeviceFacts::Kind::Missing) << true << ""
        << 0u << QStringList{}
        << "/dev/t: there is no such device.\r\nNo serial adapter is attached: plug one in, then "
           "choose its COM number in the port list.";
    QTest::newRow("not a terminal")
        << int(QSerialPort::UnsupportedOperationError) << int(DeviceFacts::Kind::NotSerialPort)
        << true << "root" << 0666u << QStringList{} << "/dev/t is not a serial port.";
}

void TestAdapters::openFailureMessage() {
    QFETCH(int, error);
    QFETCH(int, kind);
    QFETCH(QString, group);
    QFETCH(QStringList, attached);
    QFETCH(bool, mayUse);
    QFETCH(uint, mode);
    const DeviceFacts facts{
        DeviceFacts::Kind(kind), true, mayUse, "alice", "root", group, mode, attached};
    QTEST(describeOpenFailure("/dev/t", QSerialPort::SerialPortError(error), "ioctl", facts),
          "message");
}

void TestAdapters::notASerialPort_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message"); // after the path
    QTest::newRow("folder") << QDir::tempPath() << " is not a serial port.";
    QTest::newRow("plain file") << QFINDTESTDATA("test_adapters.cpp") << " is not a serial port.";
    QTest::newRow("/dev/null") << "/dev/null"
                               << " is not a serial port.";
    QTest::newRow("unplugged") << "/dev/serial/by-id/usb-gone"
                               << ": there is no such device.";
}

void TestAdapters::notASerialPort() {
    QFETCH(QString, path);
    QVERIFY(storeText("Ports/COM4", path));
    QtSerialPort port;
    QString description;
    QVERIFY(port.setCommPort(4) && !port.open(description));
    QFETCH(QString, message);
    QVERIFY2(description.startsWith(path + message), qPrintable(description));
}

void TestAdapters::options_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // first line
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << "Usage: tavixat-setup [--help | --version]"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "tavixat-setup " TAVIXAT_VERSION
                             << "";
    QTest::newRow("unknown") << QStringList{"-platform", "xcb"} << 2 << ""
                             << "tavixat-setup: unrecognized argument '-platform'";
    QTest::newRow("extra") << QStringList{"--help", "x"} << 2 << ""
                           << "tavixat-setup: unrecognized argument 'x'";
}

void TestAdapters::options() {
    QFETCH(QStringList, arguments);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY"), env.insert("QT_QPA_PLATFORM", "xcb"); // a window could not open
    program.setProcessEnvironment(env);
    program.start(TAVIXAT_SETUP_PROGRAM, arguments);
    QVERIFY(program.waitForFinished(10000));
    QTEST(program.exitCode(), "status");
    QTEST(QString::fromLocal8Bit(program.readAllStandardOutput()).section(u'\n', 0, 0), "out");
    QTEST(QString::fromLocal8Bit(program.readAllStandardError()).section(u'\n', 0, 0), "err");
}

QTEST_GUILESS_MAIN(TestAdapters)
#include "test_adapters.moc"
