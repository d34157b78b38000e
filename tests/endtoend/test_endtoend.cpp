#include "DeviceState.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "modComm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tavixat;

namespace {

// A connect makes about 1.1 s of pauses, a paced save or a keep-alive tick with its wait about
// 1.5 s more. Waits end as soon as what they wait for happens; past this bound, with room for a
// sanitizer build on a loaded machine, something hangs. How long each step takes is checked on the
// virtual clock.
constexpr int kWaitMs = 15000;
// Button, lamp, keep-alive running, port open.
const QString kOn = "Disconnect #00ff00 11", kOff = "Connect #ff0000 0";
const QString kFresh = "00ba 5e 12 3456|TavixAT|1234|0000 00 00 0000|9600|1|None|chkDiscoverable|"
                       "chkPIN|OptSlave v2.0";
const QString kEdited = "00ba 5e 12 3456|Pump 7|1234|0123 45 67 "
                        "89ab|115200|1|None|chkMaster|chkDiscoverable|OptMaster v2.0";

// tavixat-sim reached through the link the run script opens, so the link is proven too.
struct Sim {
    QTemporaryDir dir;
    QString line = dir.filePath("line");
    QProcess process;
    QString log; // a line per command heard

    // It prints the line's path first, in one piece.
    bool start(const QStringList& options) {
        process.start(TAVIXAT_SIM_PATH, QStringList{"--link", line} + options);
        return process.waitForReadyRead(kWaitMs) &&
               QFileInfo(line).symLinkTarget() == process.readLine().trimmed();
    }
    ~Sim() { process.kill(), process.waitForFinished(); }
};

struct RecordingPlatform : QtPlatform {
    void showMessage(const QString& text, MessageIcon) override { messages << text; }
    QStringList messages;
};

// The tool as the user runs it, offscreen; the settings store is the test's own (XDG_CONFIG_HOME).
struct Rig {
    RecordingPlatform platform;
    QtSerialPort port;
    modComm comm{port, platform};
    DeviceState device;
    frmMain form{platform, comm, device};

    void connectTo(const QString& path) {
        QSettings(kApplicationTitle).setValue("Ports/COM1", path); // "COM1" is listed first
        form.cmdConnect_Click();
    }
    QString state() const {
        return form.cmdConnect->text() + ' ' + form.shpStatus->fillColor().name() + ' ' +
               QString::number(form.Timer1->isActive() * 10 + port.isOpen());
    }
    // The text fields and the lists in the window's order, the buttons checked, the version.
    QString shown() const {
        QStringList s;
        for (QLineEdit* e : form.findChildren<QLineEdit*>())
            s << e->text();
        for (QAbstractButton* b : form.findChildren<QAbstractButton*>())
            if (b->isChecked())
                s << b->objectName();
        return s.join('|') + ' ' + form.lblVersion->text();
    }
};

} // namespace

// The real serial port, window and simulator program on a pseudo-terminal, in real time: what
// the virtual-clock tests assume of them holds. Each row ends with a reconnect that must show
// the device's settings, to the same device if it still answers, else to a healthy one.
class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void session_data();
    void session();
};

void TestEndToEnd::session_data() {
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<QString>("during");  // when the fault strikes
    QTest::addColumn<QString>("message"); // "<line>" for the line's path; empty: none
    QTest::addColumn<bool>("connectedAfter");

    const QString lost = "ERROR, Check COM1!\r\n<line>: the device is gone (unplugged or hung up).";
    QTest::newRow("save on a paced line, read back") << QStringList{"--pace"} << "save"
                                                     << "Settings saved!" << true;
    // Ping and version replies are 9 and 8 bytes; five query fields and "[SL" follow.
    QTest::newRow("hangs up in the middle of the query")
        << QStringList{"--hang-up-after-bytes", "47"} << "connect" << lost << false;
    QTest::newRow("silent during the keep-alive")
        << QStringList{"--stop-after-commands", "3"} << "idle" << QString() << false;
    QTest::newRow("pulled off the line") << QStringList{} << "kill" << lost << false;
}

void TestEndToEnd::session() {
    QFETCH(QStringList, simOptions);
    QFETCH(QString, during);
    QFETCH(QString, message);
    QFETCH(bool, connectedAfter);
    Sim sim, healthy;
    QVERIFY(sim.start(simOptions));
    Rig rig;
    rig.form.show();

    rig.connectTo(sim.line);
    QCOMPARE(rig.state(), during == "connect" ? kOff : kOn);
    if (during != "connect")
        QCOMPARE(rig.shown(), kFresh);
    if (during == "save") {
        rig.form.txtName->setText("Pump 7");
        rig.form.cboBaud->setCurrentIndex(rig.form.cboBaud->findText("115200"));
        rig.form.OptMaster->click(); // the window's rules for a Master run, as for a user's click
        rig.form.txtAddr->setText("0123 45 67 89ab");
        rig.form.chkPIN->click();
        rig.form.cmdWrite_Click();
    } else if (during == "kill") {
        sim.process.kill();
    }
    // A lost line reaches the window through the event loop; a silent one at the next tick.
    QTRY_COMPARE_WITH_TIMEOUT(rig.state(), connectedAfter ? kOn : kOff, kWaitMs);
    QStringList told = message.isEmpty() ? QStringList() : QStringList{message};
    QCOMPARE(rig.platform.messages, told.replaceInStrings("<line>", sim.line));

    if (connectedAfter) {
        rig.form.cmdConnect_Click(); // Disconnect, its <EXIT> written just before the close
        QTRY_VERIFY_WITH_TIMEOUT((sim.log += sim.process.readAllStandardError()).contains("<EXIT>"),
                                 kWaitMs);
    } else {
        QVERIFY(healthy.start({}));
    }
    rig.form.txtName->clear();
    rig.connectTo(connectedAfter ? sim.line : healthy.line);
    QCOMPARE(rig.state(), kOn);
    QCOMPARE(rig.shown(), during == "save" ? kEdited : kFresh);
    QCOMPARE(rig.platform.messages, told);
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
