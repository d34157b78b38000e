#include "PortNames.h"
#include "PortTable.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace tavixat;
using Kind = DeviceFacts::Kind;
Q_DECLARE_METATYPE(DeviceFacts)

// The UART type a driver tells when asked (TIOCGSERIAL), as each uart() row sets it: no machine
// has every kind of port. Every other request goes to the system.
std::optional<int> answeredUartType;
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list rest;
    va_start(rest, request);
    void* argument = va_arg(rest, void*);
    va_end(rest);
    if (request == TIOCGSERIAL && answeredUartType)
        return static_cast<serial_struct*>(argument)->type = *answeredUartType, 0;
    static const auto real =
        reinterpret_cast<int (*)(int, unsigned long, ...)>(::dlsym(RTLD_NEXT, "ioctl"));
    return real(fd, request, argument);
}

namespace {

QString settingsFile() {
    return QSettings(QStringLiteral("TavixAT Setup")).fileName();
}

// By-id links named as given, each to a file of its own in `devices`.
bool plug(const QTemporaryDir& byId, const QTemporaryDir& devices, const QStringList& names,
          const QString& prefix = {}) {
    bool plugged = true;
    for (const QString& name : names) {
        QFile device(devices.filePath(prefix + name));
        plugged = plugged && device.open(QIODevice::WriteOnly) &&
                  QFile::link(device.fileName(), byId.filePath(name));
    }
    return plugged;
}

} // namespace

class TestAdapters : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_; // never the user's own settings file

private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    }
    void init() { QDir().rmdir(settingsFile()), QFile::remove(settingsFile()); }
    void numbers_data();
    void numbers();
    void adaptersKeepTheirNumbers();
    void refresh_data();
    void refresh();
    void numberingAtOnce();
    void settingsProblems_data();
    void settingsProblems();
    void openFailureMessage_data();
    void openFailureMessage();
    void uart_data();
    void uart();
};

void TestAdapters::numbers_data() {
    QTest::addColumn<QString>("adapters"); // by-id names; each leads to /dev/<name>
    QTest::addColumn<QString>("taken");    // [Ports] entries, and Sm for a real /dev/ttyS<m>
    QTest::addColumn<QString>("result");   // entries added, then !adapters left without one
    const auto row = [](const char* name, const char* adapters, const char* taken,
                        const char* result) { QTest::newRow(name) << adapters << taken << result; };
    row("first", "a b", "", "COM1=a COM2=b");
    row("taken skipped", "a", "COM1=/x COM3= S1 S3", "COM5=a");
    row("replugged, renumbered", "b a", "COM2=a", "COM1=b");
    row("hand entry names it", "a", "COM9=/dev/a", "");
    row("COM16 the last free", "a b", "S0 S1 S2 S3 S4 S5 S6 S7 S8 S9 S10 S11 S12 S13 S14",
        "COM16=a !b");
    row("all sixteen taken", "a b", "COM16= S0 S1 S2 S3 S4 S5 S6 S7 S8 S9 S10 S11 S12 S13 S14",
        "!a !b");
}

void TestAdapters::numbers() {
    QFETCH(QString, adapters);
    QFETCH(QString, taken);
    QList<AttachedAdapter> attached;
    QHash<QString, QString> entries;
    QSet<QString> real;
    for (const QString& name : adapters.split(u' ', Qt::SkipEmptyParts))
        attached.append({name, "/dev/" + name});
    for (const QString& w : taken.split(u' ', Qt::SkipEmptyParts))
        w.startsWith(u'S') ? void(real.insert("/dev/ttyS" + w.mid(1)))
                           : void(entries.insert(w.section(u'=', 0, 0), w.section(u'=', 1)));
    NumberAssignment result = assignNumbers(attached, entries, real);
    QStringList seen;
    for (auto it = result.added.cbegin(); it != result.added.cend(); ++it)
        seen << portKey(it.key()) + u'=' + it.value();
    seen << result.unnumbered.replaceInStrings(QRegularExpression("^"), "!");
    QTEST(seen.join(u' '), "result");
}

// Two adapters, then one unplugged, one moved to another pseudo-terminal and a third plugged in.
void TestAdapters::adaptersKeepTheirNumbers() {
    QTemporaryDir byId;
    qputenv("TAVIXAT_SERIAL_BY_ID", byId.path().toLocal8Bit());
    QList<int> ttys;
    const auto plug = [&](const char* name) {
        ttys << ::posix_openpt(O_RDWR | O_NOCTTY), ::grantpt(ttys.last()), ::unlockpt(ttys.last());
        QFile::remove(byId.filePath(name));
        return QFile::link(QString::fromLocal8Bit(::ptsname(ttys.last())), byId.filePath(name));
    };
    const auto no = [&](const char* n) { return readStoredGroup("Ports").key(byId.filePath(n)); };
    QVERIFY(storeText("Ports/COM1", "/dev/hand") && plug("A") && plug("B"));
    refreshPortTable();
    const QString a = no("A"), b = no("B");
    QVERIFY(QFile::remove(byId.filePath("A")) && plug("C") && plug("B"));
    const QList<PortEntry> table = refreshPortTable().ports;
    const QString c = no("C");
    QCOMPARE(QStringList({no("A"), no("B"), readStoredText("Ports/COM1", {})}),
             QStringList({a, b, "/dev/hand"}));
    QVERIFY((!a.isEmpty() && !b.isEmpty() && !c.isEmpty() && QSet{a, b, c}.size() == 3));
    QCOMPARE(readStoredGroup("Ports").size(), 4);
    const auto on = [&](const QString& k) { return table[k.mid(3).toInt() - 1].attached; };
    QVERIFY(!on(a) && on(b) && on(c));
    for (int tty : ttys)
        ::close(tty);
}

void TestAdapters::refresh_data() {
    QTest::addColumn<QByteArray>("ini");  // after COM1 to COM14 taken; '@' is the by-id folder
    QTest::addColumn<bool>("writable");   // else read-only, to an unprivileged user
    QTest::addColumn<QStringList>("out"); // ports opening a or b, unnumbered (!), warnings
    QStringList ignored{"COM15=a", "COM16=b"};
    for (const char* key : {"COM0", "COM17", "COMx", "com5"})
        ignored << "%1: the entry \"" + QString(key) +
                       "\" under [Ports] is ignored: only COM1 to COM16 name a port.";
    QTest::newRow("keys that name no port")
        << QByteArray("COM0=@/a\nCOMx=@/b\ncom5=@/b\nCOM17=/dev/x\n") << true << ignored;
    QTest::newRow("file cannot be written")
        << QByteArray() << false
        << QStringList{"COM15=a", "COM16=b",
                       "%1 cannot be written, so these new port numbers hold for this run only: "
                       "COM15 = @/a, COM16 = @/b."};
}

// Adapters a and b attached, the settings file as given: the table of this run, its warnings
// each said once.
void TestAdapters::refresh() {
    QFETCH(QByteArray, ini);
    QFETCH(bool, writable);
    QTemporaryDir byId, devices;
    qputenv("TAVIXAT_SERIAL_BY_ID", byId.path().toLocal8Bit());
    QVERIFY(plug(byId, devices, {"a", "b"}));
    for (const QString& dir : {byId.path(), devices.path(), settingsDir_.path()})
        QVERIFY(QFile::setPermissions(dir, QFileDevice::Permissions(0x7755)));
    for (int n = 14; n > 0; --n) // real ports of this machine are all below COM15
        ini.prepend("COM" + QByteArray::number(n) + "=/dev/hand\n");
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly) &&
            file.write("[Ports]\n" + ini.replace('@', byId.path().toLocal8Bit())) > 0);
    file.close();
    const auto mode = [&](int bits) { return file.setPermissions(QFileDevice::Permissions(bits)); };
    const bool asNobody = !writable && ::geteuid() == 0; // root writes any file
    QVERIFY(writable || mode(0x4444));
    QVERIFY(!asNobody || ::setresuid(65534, 65534, 0) == 0);
    PortTable table = refreshPortTable();
    QVERIFY((!asNobody || ::setresuid(0, 0, 0) == 0) && mode(0x6644));
    QSettings(QStringLiteral("TavixAT Setup")).clear(); // the numbers this run kept in memory
    QStringList out;
    for (const PortEntry& entry : table.ports)
        if (entry.device.startsWith(byId.path()))
            out << portKey(entry.number) + u'=' + QFileInfo(entry.device).fileName();
    for (const QString& line :
         table.unnumbered.replaceInStrings(QRegularExpression("^"), "!") + table.warnings)
        out << QString(line).replace(settingsFile(), "%1").replace(byId.path(), "@");
    QTEST(out, "out");
}

// Two programs numbering five adapters each at once, a few times: no entry is lost.
void TestAdapters::numberingAtOnce() {
    for (int attempt = 0; attempt < 4; ++attempt) {
        QTemporaryDir config, devices, byId[2];
        QProcess cli[2];
        for (int i = 0; i < 2; ++i) {
            QVERIFY(plug(byId[i], devices, {"0", "1", "2", "3", "4"}, QString::number(i)));
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", config.path());
            env.insert("TAVIXAT_SERIAL_BY_ID", byId[i].path());
            cli[i].setProcessEnvironment(env);
            cli[i].start(TAVIXAT_CLI_PATH, {"list-ports"});
        }
        for (QProcess& p : cli)
            QVERIFY(p.waitForFinished() && p.exitCode() == 0);
        QSettings written(config.filePath("TavixAT Setup.conf"), QSettings::IniFormat);
        written.beginGroup("Ports");
        QSet<QString> paths;
        for (const QString& key : written.childKeys())
            paths.insert(written.value(key).toString());
        QCOMPARE(paths.size(), 10);
    }
}

void TestAdapters::settingsProblems_data() {
    QTest::addColumn<QByteArray>("content"); // empty: a folder in the file's place
    QTest::addColumn<QString>("problem");
    QTest::newRow("readable") << QByteArray("[Ports]\nCOM2=/dev/x\n") << QString();
    QTest::newRow("not a file") << QByteArray() << " is not a file.";
    QTest::newRow("not INI") << QByteArray("[Ports\nCOM2=/dev/x\n")
                             << " cannot be understood: it is not in the INI format the tool "
                                "writes (each line a [Section] or a key=value).";
}

void TestAdapters::settingsProblems() {
    QFETCH(QByteArray, content);
    QFETCH(QString, problem);
    // The file is a link to one found readable a moment ago: what changes behind it is seen.
    QFile file(settingsDir_.filePath("linked.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Ports]\n") > 0 && file.flush());
    QVERIFY(file.link(settingsFile()) && settingsProblem().isEmpty());
    file.close();
    QVERIFY(content.isEmpty() ? QFile::remove(settingsFile()) && QDir().mkpath(settingsFile())
                              : file.open(QIODevice::WriteOnly) && file.write(content) > 0);
    file.close(), file.setFileName(settingsFile());
    QCOMPARE(settingsProblem(), problem.isEmpty() ? problem : settingsFile() + problem);
    QCOMPARE(storeText("Ports/COM3", "/dev/y"), problem.isEmpty());
    QCOMPARE(readStoredText("Ports/COM2", "none"), problem.isEmpty() ? "/dev/x" : "none");
    if (!problem.isEmpty() && file.open(QIODevice::ReadOnly))
        QCOMPARE(file.readAll(), content); // nothing the user wrote is lost
}

void TestAdapters::openFailureMessage_data() {
    QTest::addColumn<QString>("path");      // opened for real; none: "/dev/t" with the facts given
    QTest::addColumn<DeviceFacts>("facts"); // a user who may not use the port: PermissionError
    QTest::addColumn<QString>("message");   // after the path
    const QString u = "alice", r = "root";
    QTest::newRow("group helps")
        << "" << DeviceFacts{Kind::SerialPort, true, false, u, r, "uucp", 0660, {}}
        << ": you are not allowed to use this port. Add yourself to the group uucp (sudo usermod "
           "-aG uucp alice), then log out and in again.";
    QTest::newRow("group cannot help")
        << "" << DeviceFacts{Kind::SerialPort, true, false, u, r, "dialout", 0600, {}}
        << ": you (alice) are not allowed to use this port. It belongs to root (group dialout) "
           "with mode 0600, which no group membership changes: an administrator or a udev rule "
           "must grant you access.";
    QTest::newRow("no UART") << "" << DeviceFacts{Kind::SerialPort, false, true, u, r, r, 0, {"X"}}
                             << ": there is no such device.\r\nAttached now:\r\nX";
    QTest::newRow("none attached")
        << "" << DeviceFacts{Kind::Missing, true, true, u, r, r, 0, {}}
        << ": there is no such device.\r\nNo serial adapter is attached: plug one in, then choose "
           "its COM number in the port list.";
    QTest::newRow("folder") << "/tmp" << DeviceFacts{} << " is not a serial port.";
    QTest::newRow("/dev/null") << "/dev/null" << DeviceFacts{} << " is not a serial port.";
}

void TestAdapters::openFailureMessage() {
    QFETCH(QString, path);
    QFETCH(DeviceFacts, facts);
    QFETCH(QString, message);
    QString seen;
    QtSerialPort port;
    if (path.isEmpty())
        seen = describeOpenFailure(
            path = "/dev/t", facts.userMayUse ? QSerialPort::NoError : QSerialPort::PermissionError,
            "?", facts);
    else
        QVERIFY(storeText("Ports/COM4", path) && port.setCommPort(4) && !port.open(seen));
    QVERIFY2(seen.startsWith(path + message), qPrintable(seen));
}

void TestAdapters::uart_data() {
    // The node: -2 none, -1 a terminal (no UART), else the UART type its driver answers with.
    QTest::addColumn<int>("node");
    // The node's entry in the tty class folder: none, "-" without a parent device, else the
    // parent's driver.
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("uart");
    QTest::newRow("no entry") << -1 << "" << false;
    QTest::newRow("no parent: a virtual terminal") << -1 << "-" << false;
    QTest::newRow("serial core port") << -2 << "port" << true;
    QTest::newRow("8250 node, no UART answers") << -1 << "serial8250" << false;
    QTest::newRow("8250 node missing") << -2 << "serial8250" << false;
    QTest::newRow("8250 node, a 16550A") << PORT_16550A << "serial8250" << true;
    QTest::newRow("8250 node, type unknown") << PORT_UNKNOWN << "serial8250" << false;
}

void TestAdapters::uart() {
    QFETCH(int, node);
    QFETCH(QString, entry);
    QTemporaryDir ttyClass;
    const int tty = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(tty >= 0 && ::grantpt(tty) == 0 && ::unlockpt(tty) == 0);
    const QString device = node > -2 ? QString::fromLocal8Bit(::ptsname(tty)) : "/dev/ttyS99-none";
    const QString parent = ttyClass.filePath(QFileInfo(device).fileName() + "/device");
    QVERIFY(entry.isEmpty() || QDir().mkpath(entry == "-" ? QFileInfo(parent).path() : parent));
    QVERIFY(entry.size() < 2 || QFile::link(ttyClass.filePath(entry), parent + "/driver"));
    answeredUartType = node >= 0 ? std::optional(node) : std::nullopt;
    QTEST(hasUart(ttyClass.path(), device), "uart");
    ::close(tty);
}

QTEST_GUILESS_MAIN(TestAdapters)
#include "test_adapters.moc"
