#include "ConnectionRig.h"
#include "StatusLamp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;

Q_DECLARE_METATYPE(sim::DeviceFaults)
Q_DECLARE_METATYPE(sim::DeviceSettings)

using Rts = QList<bool>;

namespace {

const QString kNoReply = QStringLiteral("No reply from device!");

QString gate(const QString& version) {
    return "Invalid firmware version (" + version + ")!\r\n\r\nIt must be v2.0 or higher!";
}

sim::DeviceFaults faults(auto set) {
    sim::DeviceFaults f;
    set(f);
    return f;
}

sim::DeviceSettings settings(auto set) {
    sim::DeviceSettings s;
    set(s);
    return s;
}

Rts rtsOfWrites(const ConnectionRig& rig, const QByteArray& command) {
    Rts states;
    for (const auto& w : rig.port.writes)
        if (w.bytes == command)
            states << w.rts;
    return states;
}

} // namespace

// Connect, read, keep-alive, disconnect, exit and save on the virtual clock.
class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void connect_data();
    void connect();
    void readSettings_data();
    void readSettings();
    void save_data();
    void save();
    void saveRefusesUnsafeValues_data();
    void saveRefusesUnsafeValues();
    void keepAlive_data();
    void keepAlive();
    void disconnectSendsExitAndCloses();
    void exit_data();
    void exit();
    void exchangesNeverOverlap_data();
    void exchangesNeverOverlap();
    void linkLost_data();
    void linkLost();
};

void TestConnection::connect_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<Rts>("pingRts");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("versionAfter");
    QTest::addColumn<int>("virtualMs");

    const sim::DeviceFaults healthy;
    const QString none;
    const Rts on5{true, true, true, true, true};
    // 500 ms before the open, one poll for the ping, 100 ms for the version, 400 for the query.
    QTest::newRow("healthy") << healthy << "v2.0" << Rts{true} << none << "v2.0" << 1100;
    QTest::newRow("answers the third ping")
        << faults([](auto& f) { f.answerPingFrom = 3; }) << "v2.0" << Rts{true, true, true} << none
        << "v2.0" << 2100;
    QTest::newRow("answers only with RTS de-asserted")
        << faults([](auto& f) { f.answerOnlyWithRts = false; }) << "v2.0" << on5 + Rts{false}
        << none << "v2.0" << 3600;
    QTest::newRow("no device") << faults([](auto& f) { f.silent = true; }) << "v2.0"
                               << on5 + Rts{false, false, false, false, false} << kNoReply
                               << "prior" << 5500;
    QTest::newRow("firmware below v1.1")
        << healthy << "v1.0" << Rts{true} << gate("v1.0") << "v1.0" << 700;
    QTest::newRow("no version field") << faults([](auto& f) { f.omitVersion = true; }) << "v2.0"
                                      << Rts{true} << gate("") << "" << 700;
    QTest::newRow("version later than its read") << faults([](auto& f) { f.latencyMs = 150; })
                                                 << "v2.0" << Rts{true} << gate("") << "" << 800;
    QTest::newRow("v1.1 is accepted") << healthy << "v1.1" << Rts{true} << none << "v1.1" << 1100;
}

void TestConnection::connect() {
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(QString, firmware);
    QFETCH(Rts, pingRts);
    QFETCH(QString, message);
    ConnectionRig rig(settings([&](auto& s) { s.firmware = firmware; }), faults);
    rig.device.FirmwareVersion = QStringLiteral("prior");

    rig.form->cmdConnect_Click();

    QCOMPARE(rtsOfWrites(rig, "<PING>"), pingRts);
    QTEST(rig.device.FirmwareVersion, "versionAfter");
    QTEST(int(rig.platform.now()), "virtualMs");
    QVERIFY(!rig.isBusy());
    if (message.isEmpty()) {
        QVERIFY(rig.isConnected());
        QVERIFY(rig.platform.messages.isEmpty());
        // The version request follows the answered ping at once, then the query.
        QCOMPARE(rig.commands().mid(pingRts.size()), (QByteArrayList{"<VERS>", "<QUERY>"}));
        QCOMPARE(rig.form->lblVersion->text(), firmware);
    } else {
        QVERIFY(!rig.isConnected());
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(rig.form->cmdConnect->text(), QStringLiteral("Connect"));
        QCOMPARE(rig.platform.messageTexts(), QStringList{message});
        QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
        QVERIFY(!rig.commands().contains("<QUERY>"));
    }
}

void TestConnection::readSettings_data() {
    QTest::addColumn<sim::DeviceSettings>("device");
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QStringList>("texts"); // name, PIN, remote address, own address, version
    QTest::addColumn<QList<int>>("lists");  // baud, stop bits, parity
    QTest::addColumn<bool>("master");
    QTest::addColumn<bool>("discoverable");
    QTest::addColumn<bool>("pinRequest");

    const sim::DeviceFaults healthy;
    const QString noAddress = QStringLiteral("0000 00 00 0000");
    QTest::newRow("fresh slave") << sim::DeviceSettings{} << healthy
                                 << QStringList{"TavixAT", "1234", noAddress, "00ba 5e 12 3456",
                                                "v2.0"}
                                 << QList<int>{3, 0, 0} << false << true << true;
    QTest::newRow("master with empty address, fast line") << settings([](auto& s) {
        s.role = "MASTER";
        s.baudRate = "115200";
        s.stopBits = "2";
        s.parity = "E";
    }) << healthy << QStringList{"TavixAT", "1234", noAddress, "00ba 5e 12 3456", "v2.0"}
                                                          << QList<int>{7, 1, 2} << true << true
                                                          << true;
    QTest::newRow("texts outside the lists leave them") << settings([](auto& s) {
        s.baudRate = "300";
        s.stopBits = "1.5";
        s.parity = "n";
        s.role = "master";
        s.remoteAddress = "ABCD 12 34 5678";
    }) << healthy << QStringList{"TavixAT", "1234", "ABCD 12 34 5678", "00ba 5e 12 3456", "v2.0"}
                                                        << QList<int>{-1, -1, -1} << false << true
                                                        << true;
    QTest::newRow("invisible, PIN request off") << settings([](auto& s) {
        s.visibility = "INVISIBLE";
        s.pinMode = "PIN_OFF";
    }) << healthy << QStringList{"TavixAT", "1234", noAddress, "00ba 5e 12 3456", "v2.0"}
                                                << QList<int>{3, 0, 0} << false << false << false;
    QTest::newRow("only eight fields")
        << settings([](auto& s) {
               s.visibility = "INVISIBLE";
               s.pinMode = "PIN_OFF";
           })
        << faults([](auto& f) { f.queryFieldLimit = 8; })
        << QStringList{"TavixAT", "1234", noAddress, "00ba 5e 12 3456", ""} << QList<int>{3, 0, 0}
        << false << true << true;
    QTest::newRow("fields still coming after the reads")
        << settings([](auto& s) { s.role = "MASTER"; })
        << faults([](auto& f) { f.fieldIntervalMs = 150; })
        << QStringList{"TavixAT", "1234", noAddress, "", ""} << QList<int>{3, -1, -1} << false
        << true << true;
}

void TestConnection::readSettings() {
    QFETCH(sim::DeviceSettings, device);
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, lists);
    QFETCH(bool, master);
    QFETCH(bool, discoverable);
    QFETCH(bool, pinRequest);
    ConnectionRig rig(device, faults);
    rig.form->cmdConnect_Click();
    QVERIFY(rig.isConnected());
    const frmMain& w = *rig.form;

    QCOMPARE((QStringList{w.txtName->text(), w.txtPin->text(), w.txtAddr->text(),
                          w.txtBDADDR->text(), w.lblVersion->text()}),
             texts);
    QCOMPARE((QList<int>{w.cboBaud->currentIndex(), w.cboStopBit->currentIndex(),
                         w.cboParity->currentIndex()}),
             lists);
    QCOMPARE(w.OptMaster->isChecked(), master);
    QCOMPARE(w.OptSlave->isChecked(), !master);
    QCOMPARE(w.chkMaster->isChecked(), master);
    QCOMPARE(w.txtAddr->isEnabled(), master);
    QCOMPARE(w.chkDiscoverable->isEnabled(), !master);
    QCOMPARE(w.chkDiscoverable->isChecked(), discoverable);
    QCOMPARE(w.chkPIN->isChecked(), pinRequest);
    QCOMPARE(w.txtPin->isEnabled(), pinRequest);
}

void TestConnection::save_data() {
    QTest::addColumn<sim::DeviceSettings>("device");
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QString>("message");

    const QString saved = QStringLiteral("Settings saved!");
    QTest::newRow("slave, discoverable, PIN request on")
        << sim::DeviceSettings{} << sim::DeviceFaults{}
        << QByteArrayList{"<NAME=Kitchen>", "<PKEY=1234>", "<BAUD=9600>",    "<SBIT=1>",
                          "<PRTY=N>",       "<SLAVE>",     "<DISCOVERABLE>", "<PIN_ON>"}
        << saved;
    QTest::newRow("master, invisible, PIN request off") << settings([](auto& s) {
        s.role = "MASTER";
        s.remoteAddress = "1234 56 78 9abc";
        s.visibility = "INVISIBLE";
        s.pinMode = "PIN_OFF";
        s.parity = "O";
        s.pinCode = "";
    }) << sim::DeviceFaults{} << QByteArrayList{"<NAME=Kitchen>",
                                                "<PKEY=>",
                                                "<BAUD=9600>",
                                                "<SBIT=1>",
                                                "<PRTY=O>",
                                                "<MASTER>",
                                                "<ADDR=1234 56 78 9abc>",
                                                "<INVISIBLE>",
                                                "<PIN_OFF>"}
                                                        << saved;
    // Ping, version and query are the first three commands the device hears.
    QTest::newRow("stops acknowledging at the baud rate")
        << sim::DeviceSettings{} << faults([](auto& f) { f.stopAfterCommands = 5; })
        << QByteArrayList{"<NAME=Kitchen>", "<PKEY=1234>", "<BAUD=9600>"} << kNoReply;
}

void TestConnection::save() {
    QFETCH(sim::DeviceSettings, device);
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(QByteArrayList, commands);
    QFETCH(QString, message);
    ConnectionRig rig(device, faults);
    rig.connectAndReset();
    rig.form->txtName->setText(QStringLiteral("Kitchen"));

    rig.form->cmdWrite_Click();

    QCOMPARE(rig.commands(), commands);
    QCOMPARE(rig.platform.messageTexts(), QStringList{message});
    QCOMPARE(rig.platform.messages.first().icon,
             message == kNoReply ? MessageIcon::Error : MessageIcon::Information);
    // The message is shown while still busy; afterwards the timer runs again.
    QVERIFY(rig.form->Timer1->isActive());
    QVERIFY(!rig.isBusy());
    QVERIFY(rig.isConnected());
    if (message != kNoReply) {
        // What was saved is what the device now reports.
        QCOMPARE(rig.link->model().settings().name, QStringLiteral("Kitchen"));
        rig.form->cmdConnect_Click(); // disconnect
        rig.form->txtName->clear();
        rig.form->cmdConnect_Click();
        QCOMPARE(rig.form->txtName->text(), QStringLiteral("Kitchen"));
    }
}

void TestConnection::saveRefusesUnsafeValues_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<QString>("named");

    QTest::newRow("name cuts the command short") << "a>b"
                                                 << "1234" << 3 << 0 << "device name";
    QTest::newRow("name outside ASCII")
        << QString::fromUtf8("Küche") << "1234" << 3 << 0 << "device name";
    QTest::newRow("PIN with a bracket") << "ok"
                                        << "12]4" << 3 << 0 << "PIN code";
    QTest::newRow("no baud rate selected") << "ok"
                                           << "1234" << -1 << 0 << "baud rate";
    QTest::newRow("no parity selected") << "ok"
                                        << "1234" << 3 << -1 << "parity";
}

void TestConnection::saveRefusesUnsafeValues() {
    QFETCH(QString, name);
    QFETCH(QString, pin);
    QFETCH(int, baudIndex);
    QFETCH(int, parityIndex);
    QFETCH(QString, named);
    ConnectionRig rig;
    rig.connectAndReset();
    rig.form->txtName->setText(name);
    rig.form->txtPin->setText(pin);
    rig.form->cboBaud->setCurrentIndex(baudIndex);
    rig.form->cboParity->setCurrentIndex(parityIndex);

    rig.form->cmdWrite_Click();

    QVERIFY(rig.commands().isEmpty());
    QCOMPARE(rig.platform.messages.size(), 1);
    QVERIFY2(rig.platform.messages.first().text.contains(named),
             qPrintable(rig.platform.messages.first().text));
    QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
    QVERIFY(rig.form->Timer1->isActive());
    QVERIFY(!rig.isBusy());
    QVERIFY(rig.isConnected());
}

void TestConnection::keepAlive_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<bool>("stays");
    QTest::addColumn<int>("virtualMs");

    QTest::newRow("answered") << sim::DeviceFaults{} << true << 100;
    QTest::newRow("device stopped answering")
        << faults([](auto& f) { f.stopAfterCommands = 3; }) << false << 500;
}

void TestConnection::keepAlive() {
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(bool, stays);
    ConnectionRig rig({}, faults);
    rig.connectAndReset();
    const qint64 start = rig.platform.now();

    rig.form->Timer1_Timer();

    QCOMPARE(rig.commands(), QByteArrayList{"<PING>"});
    QCOMPARE(rig.isConnected(), stays);
    QTEST(int(rig.platform.now() - start), "virtualMs");
    // A lost device is dropped without a word and without "<EXIT>".
    QVERIFY(rig.platform.messages.isEmpty());
    if (!stays) {
        QCOMPARE(rig.form->shpStatus->fillColor(), frmMain::kDisconnectedColor);
        QVERIFY(!rig.form->Timer1->isActive());
        QVERIFY(!rig.port.isOpen());
    }
}

void TestConnection::disconnectSendsExitAndCloses() {
    ConnectionRig rig;
    rig.connectAndReset();
    const int readsBefore = rig.port.reads;

    rig.form->cmdConnect_Click();

    QCOMPARE(rig.commands(), QByteArrayList{"<EXIT>"});
    QCOMPARE(rig.port.reads, readsBefore);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.form->Timer1->isActive());
    QCOMPARE(rig.form->cmdConnect->text(), QStringLiteral("Connect"));
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestConnection::exit_data() {
    QTest::addColumn<bool>("connectFirst");
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<int>("virtualMs");

    QTest::newRow("connected, device answers")
        << true << sim::DeviceFaults{} << QByteArrayList{"<PING>", "<EXIT>"} << 100;
    QTest::newRow("connected, device silent")
        << true << faults([](auto& f) { f.stopAfterCommands = 3; }) << QByteArrayList{"<PING>"}
        << 500;
    QTest::newRow("disconnected") << false << sim::DeviceFaults{} << QByteArrayList{} << 500;
}

void TestConnection::exit() {
    QFETCH(bool, connectFirst);
    QFETCH(sim::DeviceFaults, faults);
    ConnectionRig rig({}, faults);
    if (connectFirst)
        rig.connectAndReset();
    const qint64 start = rig.platform.now();

    rig.form->cmdExit_Click();

    QTEST(rig.commands(), "commands");
    QTEST(int(rig.platform.now() - start), "virtualMs");
    QVERIFY(rig.form->isUnloaded());
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestConnection::exchangesNeverOverlap_data() {
    QTest::addColumn<QString>("during");    // "tick" or "exit"
    QTest::addColumn<QString>("scheduled"); // what arrives while its ping waits
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<bool>("connectedAfter");
    QTest::addColumn<bool>("unloaded");

    const sim::DeviceFaults healthy;
    QTest::newRow("disconnect click waits for the keep-alive ping")
        << "tick"
        << "connect" << healthy << QByteArrayList{"<PING>", "<EXIT>"} << false << false;
    QTest::newRow("save click waits for the keep-alive ping")
        << "tick"
        << "save" << healthy
        << QByteArrayList{"<PING>",   "<NAME=TavixAT>", "<PKEY=1234>",    "<BAUD=9600>", "<SBIT=1>",
                          "<PRTY=N>", "<SLAVE>",        "<DISCOVERABLE>", "<PIN_ON>"}
        << true << false;
    QTest::newRow("exit click waits for the keep-alive ping")
        << "tick"
        << "exit" << healthy << QByteArrayList{"<PING>", "<PING>", "<EXIT>"} << false << true;
    QTest::newRow("close waits for the keep-alive ping")
        << "tick"
        << "close" << healthy << QByteArrayList{"<PING>"} << false << true;
    QTest::newRow("disconnect click dropped when the ping lost the device")
        << "tick"
        << "connect" << faults([](auto& f) { f.stopAfterCommands = 3; }) << QByteArrayList{"<PING>"}
        << false << false;
    QTest::newRow("tick during the exit ping is dropped")
        << "exit"
        << "tick" << healthy << QByteArrayList{"<PING>", "<EXIT>"} << false << true;
}

void TestConnection::exchangesNeverOverlap() {
    QFETCH(QString, during);
    QFETCH(QString, scheduled);
    QFETCH(sim::DeviceFaults, faults);
    ConnectionRig rig({}, faults);
    rig.connectAndReset();
    frmMain* form = rig.form.get();
    // Runs at the first processing of events inside the ping's wait.
    rig.platform.schedule(rig.platform.now(), [form, scheduled] {
        if (scheduled == "connect")
            form->cmdConnect_Click();
        else if (scheduled == "save")
            form->cmdWrite_Click();
        else if (scheduled == "exit")
            form->cmdExit_Click();
        else if (scheduled == "close")
            form->close();
        else
            form->Timer1_Timer();
    });

    if (during == "tick")
        rig.form->Timer1_Timer();
    else
        rig.form->cmdExit_Click();

    QTEST(rig.commands(), "commands");
    QCOMPARE(rig.platform.pendingActions(), 0);
    QTEST(rig.form->isUnloaded(), "unloaded");
    QFETCH(bool, connectedAfter);
    QCOMPARE(rig.port.isOpen(), connectedAfter);
    // Each command went out only after the previous exchange had ended.
    for (qsizetype i = 1; i < rig.port.writes.size(); ++i)
        QVERIFY(rig.port.writes[i].at > rig.port.writes[i - 1].at);
}

void TestConnection::linkLost_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<sim::DeviceFaults>("faults");

    QTest::newRow("while connected and idle") << "idle" << sim::DeviceFaults{};
    QTest::newRow("during the keep-alive ping") << "tick" << sim::DeviceFaults{};
    QTest::newRow("during a save") << "save" << faults([](auto& f) { f.hangUpAfterCommands = 5; });
    QTest::newRow("during the query at connect")
        << "connect" << faults([](auto& f) { f.hangUpAfterCommands = 2; });
}

void TestConnection::linkLost() {
    QFETCH(QString, when);
    QFETCH(sim::DeviceFaults, faults);
    ConnectionRig rig({}, faults);
    if (when != "connect")
        rig.connectAndReset();

    if (when == "idle") {
        rig.port.hangUp(QStringLiteral("/dev/ttyUSB0: the device is gone"));
    } else if (when == "tick") {
        FakeSerialPort* port = &rig.port;
        rig.platform.schedule(rig.platform.now(), [port] {
            port->hangUp(QStringLiteral("/dev/ttyUSB0: the device is gone"));
        });
        rig.form->Timer1_Timer();
    } else if (when == "save") {
        rig.form->cmdWrite_Click();
    } else {
        rig.form->cmdConnect_Click();
    }

    // Told once, with the port's own words; then disconnected, timer stopped, port closed.
    QCOMPARE(rig.platform.messages.size(), 1);
    QVERIFY2(rig.platform.messages.first().text.startsWith("ERROR, Check COM1!\r\n"),
             qPrintable(rig.platform.messages.first().text));
    QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
    QCOMPARE(rig.form->cmdConnect->text(), QStringLiteral("Connect"));
    QVERIFY(!rig.form->Timer1->isActive());
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.isBusy());

    // A later Connect to a healthy device works again.
    rig.link.reset();
    rig.link = std::make_unique<DeviceLink>(rig.port, rig.platform);
    rig.platform.messages.clear();
    rig.form->cmdConnect_Click();
    QVERIFY(rig.isConnected());
    QVERIFY(rig.platform.messages.isEmpty());
}

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
