#include "DeviceLink.h"
#include "DeviceState.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "modComm.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;
using S = sim::DeviceSettings;
using F = sim::DeviceFaults;
Q_DECLARE_METATYPE(S)
Q_DECLARE_METATYPE(F)

namespace {

// The whole tool on the virtual clock: the window offscreen, the serial link on a fake port
// and the device model at its far end.
struct Rig {
    FakePlatform platform;
    FakeSerialPort port{platform.clock};
    modComm comm{port, platform};
    DeviceState device;
    std::unique_ptr<DeviceLink> link;
    frmMain form{platform, comm, device};
    qint64 start = 0;
    QStringList log;

    Rig(const S& s, const F& f) : link(std::make_unique<DeviceLink>(port, platform, s, f)) {}

    // Caption, then what runs: the keep-alive timer, the port, the window, the busy state.
    QString flags() const {
        QStringList f{form.cmdConnect->text(), form.Timer1->isActive() ? "ticking" : QString(),
                      port.isOpen() ? "open" : "", form.isUnloaded() ? "unloaded" : "",
                      platform.busyPointer || !form.isEnabled() ? "busy" : ""};
        f.removeAll({});
        return f.join(u' ');
    }
    // The window's fields, then the choices: '-' disabled, '*' checked.
    QString fields() const {
        QStringList f{form.txtName->text(),
                      form.txtPin->text(),
                      form.txtAddr->text(),
                      form.txtBDADDR->text(),
                      form.lblVersion->text(),
                      QStringLiteral("%1,%2,%3")
                          .arg(form.cboBaud->currentIndex())
                          .arg(form.cboStopBit->currentIndex())
                          .arg(form.cboParity->currentIndex())};
        for (const char* name : {"OptMaster", "OptSlave", "chkMaster", "chkDiscoverable", "chkPIN",
                                 "txtAddr", "txtPin"}) {
            const QWidget* c = form.findChild<QWidget*>(name);
            f << (c->isEnabled() ? "" : "-") + QString(name) +
                     (c->property("checked").toBool() ? "*" : "");
        }
        return f.join(u';');
    }
    // Comma-separated steps; a step after '+' runs in the wait of the next exchange. A step
    // "control=value" types a text or picks a list position, a control's name clicks it.
    void run(const QString& steps) {
        for (const QString& step : steps.split(u',')) {
            const QString value = step.section(u'=', 1);
            QWidget* control = form.findChild<QWidget*>(step.section(u'=', 0, 0));
            if (step.startsWith(u'+'))
                platform.schedule(platform.now(), [this, step] { run(step.mid(1)); });
            else if (step == "tick")
                form.Timer1_Timer();
            else if (step == "close")
                form.close();
            else if (step == "hangup")
                port.hangUp(QStringLiteral("/dev/ttyUSB0: the device is gone"));
            else if (step == "relink") // a healthy device on the line again
                link.reset(), link = std::make_unique<DeviceLink>(port, platform);
            else if (step == "reset")
                port.writes.clear(), start = platform.now();
            else if (step == "flags" || step == "fields")
                log << (step == "flags" ? flags() : fields());
            else if (auto* edit = qobject_cast<QLineEdit*>(control))
                edit->setText(value);
            else if (auto* list = qobject_cast<QComboBox*>(control))
                list->setCurrentIndex(value.toInt());
            else
                qobject_cast<QAbstractButton*>(control)->click();
        }
    }
    // Each write, '~' after one sent with RTS de-asserted.
    QString written() const {
        QString all;
        for (const WrittenBytes& w : port.writes)
            all += w.bytes + (w.rts ? "" : "~");
        return all;
    }
};

const QString kUp = "Disconnect ticking open";
const QString kNoReply = "!No reply from device!";
const QString kLost = "!ERROR, Check COM1!\r\n";
const QString kDefaults = "<BAUD=9600><SBIT=1><PRTY=N><SLAVE><DISCOVERABLE><PIN_ON>";
const QString kSlave = "chkMaster;chkDiscoverable*;chkPIN*;-txtAddr;txtPin";

QString gate(const QString& version) {
    return "Connect|!Invalid firmware version (" + version + ")!\r\n\r\nIt must be v2.0 or higher!";
}
QString unsafe(const QString& what) {
    return kUp + "|!Nothing was saved: the " + what +
           " holds a character the device cannot take.\r\nUse printable ASCII characters other "
           "than < > [ ].";
}
QString unlisted(const QString& what) {
    return kUp + "|!Nothing was saved: choose the " + what + " from its list.";
}

} // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void sequences_data();
    void sequences();
};

void TestConnection::sequences_data() {
    QTest::addColumn<S>("device");
    QTest::addColumn<F>("faults");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("virtualMs"); // -1: not checked
    QTest::addColumn<QString>("state");
    const auto row = [](const char* name, const S& s, const F& f, const QString& steps,
                        const QString& written, int ms, const QString& state) {
        QTest::newRow(name) << s << f << steps << written << ms << state;
    };
    const QString ping5 = QString("<PING>").repeated(5), connect = "cmdConnect,reset,";
    const QString query = "<PING><VERS><QUERY>";
    // 500 ms before the open, one poll for the ping, 100 ms for the version, 400 for the query.
    row("connect", {}, {}, "cmdConnect", query, 1100, kUp);
    row("answers the third ping", {}, {.answerPingFrom = 3}, "cmdConnect", "<PING><PING>" + query,
        2100, kUp);
    row("answers only with RTS de-asserted", {}, {.answerOnlyWithRts = false}, "cmdConnect",
        ping5 + "<PING>~<VERS>~<QUERY>~", 3600, kUp);
    row("no device", {}, {.silent = true}, "cmdConnect", ping5 + QString("<PING>~").repeated(5),
        5500, "Connect|" + kNoReply);
    row("firmware below v1.1", {.firmware = "v1.0"}, {}, "cmdConnect", "<PING><VERS>", 700,
        gate("v1.0"));
    row("no version field", {}, {.omitVersion = true}, "cmdConnect", "<PING><VERS>", 700, gate(""));
    row("version later than its read", {}, {.latencyMs = 150}, "cmdConnect", "<PING><VERS>", 800,
        gate(""));
    row("v1.1 is accepted", {.firmware = "v1.1"}, {}, "cmdConnect", query, 1100, kUp);

    row("read: a fresh slave", {}, {}, "cmdConnect,fields", query, -1,
        kUp + "|TavixAT;1234;0000 00 00 0000;00ba 5e 12 3456;v2.0;3,0,0;OptMaster;OptSlave*;" +
            kSlave);
    row("read: master without address, fast line",
        {.baudRate = "115200", .stopBits = "2", .parity = "E", .role = "MASTER"}, {},
        "cmdConnect,fields", query, -1,
        kUp + "|TavixAT;1234;0000 00 00 0000;00ba 5e 12 3456;v2.0;7,1,2;OptMaster*;OptSlave;"
              "chkMaster*;-chkDiscoverable*;chkPIN*;txtAddr;txtPin");
    row("read: texts outside the lists leave them",
        {.baudRate = "300",
         .stopBits = "1.5",
         .parity = "n",
         .role = "master",
         .remoteAddress = "ABCD 12 34 5678"},
        {}, "cmdConnect,fields", query, -1,
        kUp + "|TavixAT;1234;ABCD 12 34 5678;00ba 5e 12 3456;v2.0;-1,-1,-1;OptMaster;OptSlave*;" +
            kSlave);
    row("read: invisible, PIN request off", {.visibility = "INVISIBLE", .pinMode = "PIN_OFF"}, {},
        "cmdConnect,fields", query, -1,
        kUp + "|TavixAT;1234;0000 00 00 0000;00ba 5e 12 3456;v2.0;3,0,0;OptMaster;OptSlave*;"
              "chkMaster;chkDiscoverable;chkPIN;-txtAddr;-txtPin");
    row("read: only eight fields", {.visibility = "INVISIBLE", .pinMode = "PIN_OFF"},
        {.queryFieldLimit = 8}, "cmdConnect,fields", query, -1,
        kUp + "|TavixAT;1234;0000 00 00 0000;00ba 5e 12 3456;;3,0,0;OptMaster;OptSlave*;" + kSlave);
    row("read: fields still coming after the reads", {.role = "MASTER"}, {.fieldIntervalMs = 150},
        "cmdConnect,fields", query, -1,
        kUp + "|TavixAT;1234;0000 00 00 0000;;;3,-1,-1;OptMaster;OptSlave*;" + kSlave);

    row("save: slave, a name with a space", {}, {}, connect + "txtName=My Unit~,+flags,cmdWrite",
        "<NAME=My Unit~><PKEY=1234>" + kDefaults, -1,
        kUp + "|Disconnect open busy|Settings saved!");
    row("save: master, invisible, PIN request off", {}, {},
        connect + "chkDiscoverable,OptMaster,chkPIN,txtPin=,cboParity=1,txtAddr=1234 56 78 9abc,"
                  "cmdWrite",
        "<NAME=TavixAT><PKEY=><BAUD=9600><SBIT=1><PRTY=O><MASTER><ADDR=1234 56 78 9abc>"
        "<INVISIBLE><PIN_OFF>",
        -1, kUp + "|Settings saved!");
    row("save: no acknowledgement of the baud rate", {}, {.stopAfterCommands = 5},
        connect + "cmdWrite", "<NAME=TavixAT><PKEY=1234><BAUD=9600>", -1, kUp + "|" + kNoReply);
    row("save: no acknowledgement of the role", {}, {.stopAfterCommands = 8}, connect + "cmdWrite",
        "<NAME=TavixAT><PKEY=1234><BAUD=9600><SBIT=1><PRTY=N><SLAVE>", -1, kUp + "|" + kNoReply);
    row("refused: name cuts the command short", {}, {}, connect + "txtName=a>b,cmdWrite", "", 0,
        unsafe("device name"));
    row("refused: name outside ASCII", {}, {}, connect + "txtName=Küche,cmdWrite", "", 0,
        unsafe("device name"));
    row("refused: name with a control code", {}, {}, connect + "txtName=a\x1f,cmdWrite", "", 0,
        unsafe("device name"));
    row("refused: PIN with a bracket", {}, {}, connect + "txtPin=12]4,cmdWrite", "", 0,
        unsafe("PIN code"));
    row("refused: address with a bracket", {}, {},
        connect + "OptMaster,txtAddr=0000 00 00 000<,cmdWrite", "", 0,
        unsafe("address to connect to"));
    row("refused: no baud rate", {}, {}, connect + "cboBaud=-1,cmdWrite", "", 0,
        unlisted("baud rate"));
    row("refused: no stop bits", {}, {}, connect + "cboStopBit=-1,cmdWrite", "", 0,
        unlisted("stop bits"));
    row("refused: no parity", {}, {}, connect + "cboParity=-1,cmdWrite", "", 0, unlisted("parity"));

    row("keep-alive answered", {}, {}, connect + "tick", "<PING>", 100, kUp);
    // A device that stops answering is dropped without a word and without "<EXIT>".
    row("keep-alive unanswered", {}, {.stopAfterCommands = 3}, connect + "tick", "<PING>", 500,
        "Connect");
    row("disconnect", {}, {}, connect + "cmdConnect", "<EXIT>", 0, "Connect");
    row("exit, device answers", {}, {}, connect + "cmdExit", "<PING><EXIT>", 100,
        "Disconnect unloaded");
    row("exit, device silent", {}, {.stopAfterCommands = 3}, connect + "cmdExit", "<PING>", 500,
        "Disconnect unloaded");
    row("exit, disconnected", {}, {}, "cmdExit", "", 500, "Connect unloaded");

    // Clicks, ticks and a close that arrive while a ping waits run once it has ended.
    row("disconnect waits for the keep-alive", {}, {}, connect + "+cmdConnect,tick", "<PING><EXIT>",
        -1, "Connect");
    row("save waits for the keep-alive", {}, {}, connect + "+cmdWrite,tick",
        "<PING><NAME=TavixAT><PKEY=1234>" + kDefaults, -1, kUp + "|Settings saved!");
    row("exit waits for the keep-alive", {}, {}, connect + "+cmdExit,tick", "<PING><PING><EXIT>",
        -1, "Disconnect unloaded");
    row("close waits for the keep-alive", {}, {}, connect + "+close,tick", "<PING>", -1,
        "Disconnect unloaded");
    row("disconnect dropped when the keep-alive lost the device", {}, {.stopAfterCommands = 3},
        connect + "+cmdConnect,tick", "<PING>", -1, "Connect");
    row("tick during the exit ping is dropped", {}, {}, connect + "+tick,cmdExit", "<PING><EXIT>",
        -1, "Disconnect unloaded");

    // The loss is told once, in the port's words; a later Connect works again.
    row("link lost while idle", {}, {}, connect + "hangup,flags,relink,cmdConnect", query, -1,
        kUp + "|Connect|" + kLost + "/dev/ttyUSB0: the device is gone");
    row("link lost during the keep-alive", {}, {}, connect + "+hangup,tick,flags,relink,cmdConnect",
        "<PING>" + query, -1, kUp + "|Connect|" + kLost + "/dev/ttyUSB0: the device is gone");
    row("link lost during a save", {}, {.hangUpAfterCommands = 5},
        connect + "cmdWrite,flags,relink,cmdConnect",
        "<NAME=TavixAT><PKEY=1234><BAUD=9600>" + query, -1,
        kUp + "|Connect|" + kLost + "The device was disconnected.");
    row("link lost during the query", {}, {.hangUpAfterCommands = 2},
        "cmdConnect,flags,relink,reset,cmdConnect", query, -1,
        kUp + "|Connect|" + kLost + "The device was disconnected.");
}

void TestConnection::sequences() {
    QFETCH(S, device);
    QFETCH(F, faults);
    QFETCH(QString, steps);
    QFETCH(int, virtualMs);
    Rig rig(device, faults);
    rig.run(steps);

    QTEST(rig.written(), "written");
    if (virtualMs >= 0)
        QCOMPARE(rig.platform.now() - rig.start, virtualMs);
    QStringList messages;
    for (const ShownMessage& m : rig.platform.messages)
        messages << (m.icon == MessageIcon::Error ? "!" : "") + m.text;
    QTEST((QStringList{rig.flags()} + rig.log + messages).join(u'|'), "state");
    // Each command went out only after the previous exchange had ended.
    for (qsizetype i = 1; i < rig.port.writes.size(); ++i)
        QVERIFY(rig.port.writes[i].at > rig.port.writes[i - 1].at);
}

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
