#include "../support/PseudoTerminal.h"
#include "CommandLine.h"
#include "LineSettings.h"
#include "PortNames.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"
#include "StoredPort.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <poll.h>
#include <sys/stat.h>

using namespace tavixat;

// The device's end of a pseudo-terminal. Its waits are bounds: they end once all is there.
struct Pty : PseudoTerminal {
    // Sends the bytes and waits, running no events, until the port's end holds them unread: a
    // write takes a moment to cross.
    bool send(const QByteArray& bytes) {
        const int near = ::open(::ptsname(far), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        pollfd in{near, POLLIN, 0};
        int held = 0;
        for (QDeadlineTimer t(::write(far, bytes, size_t(bytes.size())) > 0 ? 5000 : 0);
             ::ioctl(near, FIONREAD, &held) == 0 && held < bytes.size() && !t.hasExpired();)
            ::poll(&in, 1, 10);
        return ::close(near) == 0 && held >= bytes.size();
    }
    // Sends the bytes and reads at the port until they arrived, polled as the serial link polls.
    QByteArray echo(QtSerialPort& port, const QByteArray& bytes) {
        QByteArray in;
        for (QDeadlineTimer t(send(bytes) ? 5000 : 0); !in.endsWith(bytes) && !t.hasExpired();)
            in += port.readInput();
        return in;
    }
};

// Opens the port as COM1, which the settings store points at the path.
bool openAt(QtSerialPort& port, const QString& path) {
    QString description;
    return storeText(QStringLiteral("Ports/COM1"), path) && port.open(description);
}

// The Qt serial port against real pseudo-terminals, its line settings and port names.
class TestQtPlatform : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir_;

private slots:
    void initTestCase() {
        // A store of its own, open to the unprivileged user of the "not allowed" case.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
        QVERIFY(::chmod(settingsDir_.path().toLocal8Bit(), 0755) == 0);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("takesArguments");
        QTest::addColumn<int>("exitCode"); // -1: go on
        QTest::addColumn<QString>("said"); // the start of it; going on: --x's value, the arguments
        const QString usage = "p: %1\nUsage: p [--x X]\nTry 'p --help' for more information.\n";
        QTest::newRow("options anywhere")
            << QStringList{"a", "-x", "2", "b"} << true << -1 << "2 a b";
        QTest::newRow("a value twice")
            << QStringList{"--x=1", "-x", "2"} << true << 1 << usage.arg("--x is given twice.");
        QTest::newRow("a value empty")
            << QStringList{"--x="} << true << 1 << usage.arg("--x needs a X.");
        QTest::newRow("no arguments taken")
            << QStringList{"a"} << false << 1 << usage.arg("unexpected argument \"a\".");
        QTest::newRow("unknown option")
            << QStringList{"--y"} << true << 1 << usage.arg("Unknown option 'y'.");
        QTest::newRow("version") << QStringList{"a", "--version"} << false << 0 << "p 1.0\n";
        QTest::newRow("help") << QStringList{"-h"} << false << 0
                              << "Usage: p [--x X]\n\nAbout.\n\nOptions:\n";
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, takesArguments);
        QFETCH(QString, said);
        CommandLine line("p", "1.0", "Usage: p [--x X]\n", "About.\n");
        line.addOption(QCommandLineOption("x", "", "X"));
        const std::optional<EarlyExit> early = line.parse(arguments, takesArguments);
        QTEST(early ? early->exitCode : -1, "exitCode");
        QCOMPARE(early
                     ? early->text.left(said.size())
                     : (QStringList{line.parser().value("x")} + line.parser().positionalArguments())
                           .join(u' '),
                 said);
    }

    void lineSettings_data() {
        // Baud, then QSerialPort's parity, data and stop values; a baud of -1 for refused.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("parsed");
        QTest::newRow("9600,N,8,1") << "9600,N,8,1" << QList<int>{9600, 0, 8, 1};
        QTest::newRow("blanks, lower case")
            << " 115200 , e , 7 , 2 " << QList<int>{115200, 2, 7, 2};
        QTest::newRow("5 bits, 1.5 stops") << "300,O,5,1.5" << QList<int>{300, 3, 5, 3};
        for (const char* text : {"9600,N,4,1", "9600,N,9,1", "9600,N,8x,1", "9600,N,8,3",
                                 "9600,NO,8,1", "9600,X,8,1", "0,N,8,1", "9600,N,8"})
            QTest::newRow(text) << text << QList<int>{-1, 0, 8, 1}; // refused
    }

    void lineSettings() {
        QFETCH(QString, text);
        const LineSettings s = parseLineSettings(text).value_or(LineSettings{-1});
        QTEST((QList<int>{s.baudRate, s.parity, s.dataBits, s.stopBits}), "parsed");
    }

    void portNumbers_data() {
        QTest::addColumn<QString>("stored"); // [Properties] CommPort, as start-up reads it
        QTest::addColumn<QString>("device"); // what that port opens; none when it is refused
        for (const auto& [name, stored, device] : {std::tuple{"1", "1", "/dev/ttyS0"},
                                                   {"12, its own entry", "12", "/dev/p12"},
                                                   {"16", "16", "/dev/ttyS15"},
                                                   {"0", "0", ""},
                                                   {"17, not a port", "17", "/dev/ttyS0"}})
            QTest::newRow(name) << QString(stored) << QString(device);
    }

    void portNumbers() {
        QFETCH(QString, stored);
        for (int n : {11, 12, 13}) // the ports either side hold entries too
            QVERIFY(storeText("Ports/COM" + QString::number(n), "/dev/p" + QString::number(n)));
        QtSerialPort port;
        const bool accepted = port.setCommPort(storedPortNumber(stored));
        QTEST(accepted ? devicePathFor(port.commPort()) : QString(), "device");
    }

    // The window refreshes the port list each time it opens: a warning is shown once a run.
    void portWarningShownOnce() {
        struct : QtPlatform {
            QStringList shown;
            void showMessage(const QString& text, MessageIcon) override { shown << text; }
        } platform;
        QVERIFY(storeText("Ports/COM0", "/dev/x"));
        platform.portTable(), platform.portTable();
        QSettings(QStringLiteral("TavixAT Setup")).remove("Ports/COM0");
        QCOMPARE(platform.shown.filter("\"COM0\" under [Ports] is ignored").size(), 1);
    }

    void openFailure_data() {
        QTest::addColumn<QString>("path"); // '@' stands for the pseudo-terminal's name under /dev
        // 1: another port holds the line, 2: the user may not use it
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("description"); // part of it, after the path
        QTest::newRow("no such device") << "/none/tty" << 0 << "there is no such device";
        QTest::newRow("busy") << "/dev/@" << 1 << "the port is busy";
        QTest::newRow("busy, named without /dev/") << "@" << 1 << "the port is busy";
        QTest::newRow("not allowed")
            << "/dev/@" << 2 << "an administrator or a udev rule must grant you access.";
    }

    void openFailure() {
        QFETCH(QString, path);
        QFETCH(int, how);
        QFETCH(QString, description);
        Pty pty;
        QtSerialPort holder, port;
        QVERIFY(how != 1 || openAt(holder, pty.path()));
        path.replace(u'@', pty.path().mid(5));
        QVERIFY(storeText(QStringLiteral("Ports/COM1"), path));
        // Root may use any file: it opens as the user "nobody".
        QVERIFY(how != 2 || (::chmod(pty.path().toLocal8Bit(), 0) == 0 &&
                             (::geteuid() != 0 || ::setresuid(65534, 65534, 0) == 0)));
        QString got;
        const bool opened = port.open(got);
        QVERIFY(::getuid() != 65534 || ::setresuid(0, 0, 0) == 0);
        QVERIFY2(!opened && got.startsWith(path + ": ") && got.contains(description),
                 qPrintable(got));
    }

    // The port on a pseudo-terminal, which a second port reaches through a link too: one device,
    // one conversation, even as root.
    void lineIO() {
        Pty pty;
        QTemporaryDir links;
        const QString link = links.filePath(QStringLiteral("tty"));
        QtSerialPort port, second;
        second.setDevicePath(link);
        QSignalSpy lost(&port, &SerialPort::linkLost);
        port.setRtsEnable(true); // a pseudo-terminal has no modem lines: refused, and no harm
        QVERIFY(QFile::link(pty.path(), link));
        QVERIFY(openAt(port, pty.path()) && openAt(port, pty.path())); // open twice: still open
        QString got;
        QVERIFY(pty.send("[OL") && !second.open(got));
        QCOMPARE(got, link + ": the port is busy (in use by another program).");
        // Pulled from the system, no event loop; the second open neither flushed the line nor set
        // it up again.
        QCOMPARE(pty.echo(port, "D]"), "[OLD]");
        // Pulling ends in a wait that timed out, which is no fault of the line.
        QCOMPARE(port.findChild<QSerialPort*>()->error(), QSerialPort::NoError);
        port.close();
        QVERIFY2(second.open(got), qPrintable(got));
        second.close();
        // Sent before the next open: not for that session.
        QVERIFY(openAt(port, pty.path()) && pty.send("[LATE]"));
        port.writeOutput("<EXIT>");
        port.close();
        pollfd exit{pty.far, POLLIN, 0}; // written right before the close, yet it arrives
        QVERIFY(::poll(&exit, 1, 5000) == 1);
        QCOMPARE(pty.take(), "<EXIT>");
        QVERIFY(openAt(port, pty.path()));
        QCOMPARE(pty.echo(port, "[NOW]"), "[NOW]");
        ::close(std::exchange(pty.far, -1)); // the far end hangs up
        QVERIFY(port.readInput().isEmpty() && !port.isOpen());
        QTRY_COMPARE(lost.count(), 1);
    }
};

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"
