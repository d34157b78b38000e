#include "DeviceModel.h"
#include "DeviceState.h"
#include "FakeSerialPort.h"
#include "LinkTrace.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "modComm.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
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
    QBuffer traceOut;
    LinkTrace trace{platform, traceOut};
    modComm comm{port, platform};
    DeviceState device;
    frmMain form{platform, comm, device};
    std::optional<sim::DeviceModel> model;
    qint64 start = 0;
    QStringList log;

    Rig(const S& s, const F& f) : model(std::in_place, s, f) {
        traceOut.open(QIODevice::WriteOnly);
        comm.setObserver(&trace);
        port.onWrite = [this](const QByteArray& bytes) {
            for (const auto& c : model->receive(bytes, platform.now(), port.rtsEnable()).chunks)
                port.feed(c.bytes, c.atMs);
        };
    }
    // The caption, then what runs: the keep-alive timer, the port, the busy pointer, the input.
    QString flags() const {
        QStringList f{form.cmdConnect->text()};
        f << (form.Timer1->isActive() ? "tick" : "") << (port.isOpen() ? "open" : "")
          << (platform.busyPointer ? "wait" : "") << (form.isEnabled() ? "" : "off")
          << (form.isUnloaded() ? "gone" : "");
        f.removeAll(QString());
        return f.join(u' ');
    }
    // Texts, list positions and check marks of the inputs, '-' before a disabled one.
    QString fields() const {
        QStringList f;
        for (const char* name :
             {"cboPort", "txtName", "txtPin", "txtAddr", "txtBDADDR", "lblVersion", "cboBaud",
              "cboStopBit", "cboParity", "OptMaster", "OptSlave", "chkDiscoverable", "chkPIN"}) {
            const QWidget* c = form.findChild<QWidget*>(name);
            const char* property = c->inherits("QComboBox")         ? "currentIndex"
                                   : c->inherits("QAbstractButton") ? "checked"
                                                                    : "text";
            f << (c->isEnabled() ? "" : "-") + c->property(property).toString();
        }
        return f.join(u';');
    }
    // The trace's lines, the pings and the waits for "READY" that gave up counted, not shown.
    QString traceDigest() const {
        QStringList lines = QString(traceOut.data()).split(u'\n', Qt::SkipEmptyParts);
        const qsizetype pings = lines.removeIf([](auto& l) { return l.endsWith("-> <PING>"); });
        const qsizetype missed = lines.removeIf([](auto& l) { return l.endsWith("for [READY]"); });
        return QString("%1 pings, %2 missed").arg(pings).arg(missed) +
               lines.replaceInStrings(QRegularExpression("^ +"), ";").join(QString());
    }
    // Comma-separated steps; "ms:step" runs the step that many ms later, in whatever wait is
    // going on then. "control=value" sets a text or picks a list position ("='text": types the
    // list's text), "key/control=keys" types key by key; a control's name clicks it.
    void run(const QString& steps) {
        for (const QString& step : steps.split(u',')) {
            QWidget* control = form.findChild<QWidget*>(step.section(u'=', 0, 0));
            const QString value = step.section(u'=', 1);
            if (step.contains(u':'))
                platform.schedule(platform.now() + step.section(u':', 0, 0).toInt(),
                                  [this, step] { run(step.section(u':', 1)); });
            else if (step == "tick")
                form.Timer1_Timer();
            else if (step == "close")
                form.close();
            else if (step == "hangup")
                port.hangUp(QStringLiteral("/dev/ttyUSB0: the device is gone"));
            else if (step == "refuse") // COM1 will not open
                port.failOpenOf(1, QStringLiteral("busy"));
            else if (step == "relink") // a healthy device on the line again
                model.emplace();
            else if (step == "up") // connected to the device, the clock and the line log restarted
                run("cmdConnect,reset");
            else if (step == "reset")
                port.writes.clear(), start = platform.now();
            else if (step == "flags" || step == "fields")
                log << (step == "flags" ? flags() : fields());
            else if (step == "trace")
                log << traceDigest();
            else if (step.startsWith("key/")) // key by key, "\b" for Backspace
                for (QWidget* w = form.findChild<QWidget*>(step.section(u'=', 0, 0).mid(4));
                     const QChar c : value)
                    QTest::sendKeyEvent(QTest::Press, w,
                                        c == u'\b' ? Qt::Key_Backspace : Qt::Key_unknown,
                                        QString(c), Qt::NoModifier);
            else if (auto* edit = qobject_cast<QLineEdit*>(control))
                edit->setText(value);
            else if (auto* list = qobject_cast<QComboBox*>(control);
                     list && value.startsWith(u'\''))
                list->setEditText(value.mid(1));
            else if (list)
                list->setCurrentIndex(value.toInt());
            else
                qobject_cast<QAbstractButton*>(control)->click();
        }
    }
};

const QString kUp = "|Disconnect tick open", kNoReply = "|!No reply from device!";
const QString kLost = "|Connect|!ERROR, Check COM1!\r\n/dev/ttyUSB0: the device is gone";
const QString kQuery = "<PING><VERS><QUERY>", kFive = QString("<PING>").repeated(5);
const QString kSlaveEnd = "<SBIT=1><PRTY=N><SLAVE><DISCOVERABLE><PIN_ON>"; // of a Slave's save
const QString kSaved =
    "<NAME=TavixAT><PKEY=1234><BAUD=9600>" + kSlaveEnd + kUp + "|Settings saved!";

// The fields of a healthy device, read as a Slave, and once Master is chosen.
const QString kSlave =
    "|-0;TavixAT;1234;-0000 00 00 0000;00ba 5e 12 3456;v2.0;3;0;0;false;true;true;true";
const QString kMaster =
    "|-0;TavixAT;1234;0000 00 00 0000;00ba 5e 12 3456;v2.0;3;0;0;true;false;-true;true";

const QStringList kMasterSave{
    "<NAME=TavixAT>",         "<PKEY=1234>",    "<BAUD=9600>", "<SBIT=1>", "<PRTY=N>", "<MASTER>",
    "<ADDR=1234 56 78 9abc>", "<DISCOVERABLE>", "<PIN_ON>"};

QString gate(const QString& version) {
    return "|Connect|!Invalid firmware version (" + version +
           ")!\r\n\r\nIt must be v2.0 or higher!";
}
QString unsafe(const QString& what) {
    return "|!Nothing was saved: the " + what +
           " holds a character the device cannot take.\r\nUse printable ASCII characters other "
           "than < > [ ].";
}
QString unlisted(const QString& what) {
    return "|!Nothing was saved: choose the " + what + " from its list.";
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
    QTest::addColumn<int>("virtualMs");    // -1: not checked
    QTest::addColumn<QString>("expected"); // what was written, the state, the log, the messages
    const auto row = [](const char* name, const S& s, const F& f, const char* steps, int ms,
                        const QString& expected) {
        QTest::newRow(name) << s << f << QString(steps) << ms << expected;
    };
    // Connecting takes 500 ms before the open, one poll for the ping, 100 ms for the version
    // and 400 for the query.
    row("connect and read", {}, {}, "cmdConnect,fields", 1100, kQuery + kUp + kSlave);
    row("answers the third ping", {}, {.answerPingFrom = 3}, "cmdConnect", 2100,
        "<PING><PING>" + kQuery + kUp);
    row("answers with RTS off", {}, {.answerOnlyWithRts = false}, "cmdConnect", 3600,
        kFive + "<PING>~<VERS>~<QUERY>~" + kUp);
    // Timed from the open, on the virtual clock.
    row("no device", {}, {.silent = true}, "cmdConnect,trace", 5500,
        kFive + QString("<PING>~").repeated(5) +
            "|Connect|10 pings, 10 missed;0 open COM1 9600,N,8,1 RTS on;2500 RTS off;5000 close" +
            kNoReply);
    row("firmware v1.0", {.firmware = "v1.0"}, {}, "cmdConnect", 700,
        "<PING><VERS>" + gate("v1.0"));
    // A slow version reply is awaited up to 500 ms after the command; none at all is no reply.
    row("empty version field", {.firmware = ""}, {}, "cmdConnect", 700, "<PING><VERS>" + gate(""));
    row("no version field", {}, {.omitVersion = true}, "cmdConnect", 2100,
        "<PING><VERS>|Connect" + kNoReply);
    // A slow module's late "READY"s are owed to the pings that gave up: never the version, never
    // a setting, and not carried into the next connection.
    row("450 ms replies", {.name = "READY"}, {.latencyMs = 450}, "cmdConnect,fields", -1,
        "<PING>" + kQuery + kUp +
            "|-0;READY;1234;-0000 00 00 0000;00ba 5e 12 3456;v2.0;3;0;0;false;true;true;true");
    row("700 ms replies", {}, {.latencyMs = 700}, "cmdConnect,fields", -1,
        "<PING>" + kQuery + kUp + kSlave);
    row("1200 ms replies", {}, {.latencyMs = 1200}, "cmdConnect,fields", -1,
        "<PING><PING>" + kQuery + kUp + kSlave);
    row("read: master, fast line, invisible, v1.1",
        {.baudRate = "115200",
         .stopBits = "2",
         .parity = "E",
         .role = "MASTER",
         .visibility = "INVISIBLE",
         .pinMode = "PIN_OFF",
         .firmware = "v1.1"},
        {}, "cmdConnect,fields", -1,
        kQuery + kUp +
            "|-0;TavixAT;1234;0000 00 00 0000;00ba 5e 12 3456;v1.1;7;1;2;true;false;-false;-true");
    row("read: texts outside the lists leave them",
        {.baudRate = "300",
         .stopBits = "1.5",
         .parity = "n",
         .role = "master",
         .remoteAddress = "ABCD 12 34 5678",
         .pinMode = "PIN_OFF"},
        {}, "cmdConnect,fields", -1,
        kQuery + kUp +
            "|-0;TavixAT;-1234;-ABCD 12 34 5678;00ba 5e 12 "
            "3456;v2.0;-1;-1;-1;false;true;true;false");
    // A short reply is waited for up to 2 s after the query, then refused: nothing is guessed.
    row("read: eight fields", {.visibility = "INVISIBLE", .pinMode = "PIN_OFF"},
        {.queryFieldLimit = 8}, "cmdConnect,fields", 2700,
        kQuery + "|Connect|0;-;-;-0000 00 00 0000;-;-;--1;--1;--1;-false;-false;-false;-true" +
            "|!Incomplete reply from device!\r\nOnly 8 of the 12 settings arrived.");
    row("read: fields still coming", {.role = "MASTER"}, {.fieldIntervalMs = 150},
        "cmdConnect,fields", 2400, kQuery + kUp + kMaster);
    row("read: query 600 ms late, then a tick", {}, {.queryDelayMs = 600}, "cmdConnect,tick", -1,
        kQuery + "<PING>" + kUp);
    // Values longer than the boxes are shown and saved whole; typing never makes them longer.
    row("long values kept", {.name = "TwentyCharacterName1", .pinCode = "123456789012"}, {},
        "up,key/txtName=\bXY,cmdWrite", -1,
        "<NAME=TwentyCharacterName><PKEY=123456789012><BAUD=9600>" + kSlaveEnd + kUp +
            "|Settings saved!");
    row("save a name with a space", {}, {}, "up,txtName=My Unit~,0:flags,cmdWrite", -1,
        "<NAME=My Unit~><PKEY=1234><BAUD=9600>" + kSlaveEnd + kUp +
            "|Disconnect open wait off|Settings saved!");
    row("save master, invisible, no PIN request", {}, {},
        "up,chkDiscoverable,OptMaster,chkPIN,txtPin=,cboParity=1,txtAddr=1234 56 78 9abc,cmdWrite",
        -1,
        "<NAME=TavixAT><PKEY=><BAUD=9600><SBIT=1><PRTY=O><MASTER><ADDR=1234 56 78 9abc><INVISIBLE>"
        "<PIN_OFF>" +
            kUp + "|Settings saved!");
    // A save stops at the first command not acknowledged: nothing after it, never "saved".
    for (int i = 0; i < kMasterSave.size(); ++i)
        QTest::newRow(qPrintable("unanswered: " + kMasterSave[i]))
            << S{} << F{.stopAfterCommands = 3 + i}
            << QString("up,OptMaster,txtAddr=1234 56 78 9abc,cmdWrite") << -1
            << kMasterSave.mid(0, i + 1).join(QString()) + kUp + kNoReply;
    row("save: role unanswered", {}, {.stopAfterCommands = 8}, "up,cmdWrite", -1,
        "<NAME=TavixAT><PKEY=1234><BAUD=9600><SBIT=1><PRTY=N><SLAVE>" + kUp + kNoReply);
    row("Master, then Slave again", {}, {}, "up,OptMaster,OptSlave,fields", -1, kUp + kSlave);
    row("refused: name with >", {}, {}, "up,txtName=a>b,cmdWrite", 0, kUp + unsafe("device name"));
    row("refused: PIN with ]", {}, {}, "up,txtPin=12]4,cmdWrite", 0, kUp + unsafe("PIN code"));
    row("refused: address with <", {}, {}, "up,OptMaster,fields,txtAddr=0000 00 00 000<,cmdWrite",
        0, kUp + kMaster + unsafe("address to connect to"));
    row("refused: no baud rate", {}, {}, "up,cboBaud=-1,cmdWrite", 0, kUp + unlisted("baud rate"));
    row("refused: no parity", {}, {}, "up,cboParity=-1,cmdWrite", 0, kUp + unlisted("parity"));
    // Text typed into a list counts when it is exactly one of its entries.
    row("refused: typed baud rate", {}, {}, "up,cboBaud='12345,cmdWrite", 0,
        kUp + unlisted("baud rate"));
    row("typed baud rate of the list", {}, {}, "up,cboBaud='115200,cmdWrite", -1,
        "<NAME=TavixAT><PKEY=1234><BAUD=115200>" + kSlaveEnd + kUp + "|Settings saved!");
    row("refused: Master address of the wrong shape", {}, {}, "up,OptMaster,txtAddr=12,cmdWrite", 0,
        kUp + "|!Invalid address format!\r\nThe address must look like xxxx xx xx xxxx.");
    row("keep-alive answered", {}, {}, "up,tick", 100, "<PING>" + kUp);
    // A device that stops answering is dropped without a word and without "<EXIT>".
    row("keep-alive unanswered", {}, {.stopAfterCommands = 3}, "up,tick", 500, "<PING>|Connect");
    row("disconnect", {}, {}, "up,cmdConnect", 0, "<EXIT>|Connect");
    row("exit", {}, {}, "up,cmdExit", 100, "<PING><EXIT>|Disconnect gone");
    row("exit, device silent", {}, {.stopAfterCommands = 3}, "up,cmdExit", 500,
        "<PING>|Disconnect gone");
    row("exit, disconnected", {}, {}, "cmdExit", 0, "|Connect gone");
    row("port refused", {}, {}, "refuse,cmdConnect", 500, "|Connect|!ERROR, Check COM1!\r\nbusy");
    // Clicks, ticks and a close that come while a ping waits run once it has ended.
    row("disconnect during a tick", {}, {}, "up,0:cmdConnect,tick", -1, "<PING><EXIT>|Connect");
    row("save during a tick", {}, {}, "up,0:cmdWrite,tick", -1, "<PING>" + kSaved);
    row("exit during a tick", {}, {}, "up,0:cmdExit,tick", -1,
        "<PING><PING><EXIT>|Disconnect gone");
    row("close during a tick", {}, {}, "up,0:close,tick", 100, "<PING>|Disconnect gone");
    row("disconnect after a failed tick", {}, {.stopAfterCommands = 3}, "up,0:cmdConnect,tick", -1,
        "<PING>|Connect");
    row("tick during exit", {}, {}, "up,0:tick,cmdExit", -1, "<PING><EXIT>|Disconnect gone");
    // The loss is told once, in the port's words; a later Connect works again.
    row("link lost", {}, {}, "up,hangup,flags,relink,cmdConnect", -1, kQuery + kUp + kLost);
    row("link lost in a tick", {}, {}, "up,0:hangup,tick,flags,relink,cmdConnect", -1,
        "<PING>" + kQuery + kUp + kLost);
    row("link lost in a save", {}, {}, "up,150:hangup,cmdWrite,flags,relink,cmdConnect", -1,
        "<NAME=TavixAT><PKEY=1234><BAUD=9600>" + kQuery + kUp + kLost +
            "\r\nThe settings may be only partly saved: connect again and check them.");
    row("link lost in the query", {}, {}, "750:hangup,cmdConnect,flags,relink,reset,cmdConnect", -1,
        kQuery + kUp + kLost);
}

void TestConnection::sequences() {
    QFETCH(S, device);
    QFETCH(F, faults);
    QFETCH(QString, steps);
    QFETCH(int, virtualMs);
    Rig rig(device, faults);
    rig.run(steps);

    QStringList seen{QString()};
    for (const WrittenBytes& w : rig.port.writes) // '~': sent with RTS de-asserted
        seen.first() += w.bytes + (w.rts ? "" : "~");
    seen << rig.flags() << rig.log;
    for (const ShownMessage& m : rig.platform.messages)
        seen << (m.icon == MessageIcon::Error ? "!" : "") + m.text;
    QTEST(seen.join(u'|'), "expected");
    QCOMPARE(rig.form.shpStatus->fillColor(),
             rig.form.cmdConnect->text() == "Connect" ? QColor(255, 0, 0) : QColor(0, 255, 0));
    // The port is remembered once it has opened, and only then.
    QCOMPARE(rig.platform.settings.value("Properties/CommPort"),
             rig.port.opens > 0 ? "1" : QString());
    if (virtualMs >= 0)
        QCOMPARE(rig.platform.now() - rig.start, virtualMs);
    // Each command went out only after the previous exchange had ended.
    for (qsizetype i = 1; i < rig.port.writes.size(); ++i)
        QVERIFY(rig.port.writes[i].at > rig.port.writes[i - 1].at);
}

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
