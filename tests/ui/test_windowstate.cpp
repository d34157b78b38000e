#include "StatusLamp.h"
#include "WindowRig.h"
#include "modProg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using namespace tavixat;
using namespace tavixat::test;

namespace {
enum Role { NoRole, Master, Slave };
}

// Start-up, the connected and disconnected presentations, the busy state and closing.
class TestWindowState : public QObject {
    Q_OBJECT

private slots:
    void startUpSelectsStoredPort_data();
    void startUpSelectsStoredPort();
    void connectedState_data();
    void connectedState();
    void connectedTwiceIsConnectedOnce();
    void busyIsNotCounted_data();
    void busyIsNotCounted();
    void busyWindowTakesNoInput();
    void closingClosesThePort_data();
    void closingClosesThePort();
};

void TestWindowState::startUpSelectsStoredPort_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selected");
    QTest::newRow("nothing stored") << false << "" << 0;
    QTest::newRow("12") << true << "12" << 11;
    QTest::newRow("16, the last") << true << "16" << 15;
    QTest::newRow("0 selects nothing") << true << "0" << -1;
    QTest::newRow("leading zero") << true << "05" << 4;
    // Texts this program never stores fall back to COM1.
    for (const char* text : {"abc", "3.5", "17", "99", "-1", " 5", "", "99999999999999999999"})
        QTest::addRow("'%s'", text) << true << text << 0;
}

void TestWindowState::startUpSelectsStoredPort() {
    QFETCH(bool, stored);
    QFETCH(QString, text);
    WindowRig rig;
    if (stored)
        rig.platform.settings.insert(QStringLiteral("Properties/CommPort"), text);
    frmMain& w = rig.build();
    QTEST(w.cboPort->currentIndex(), "selected");
    // The rest of start-up does not depend on the selection: disconnected, nothing opened.
    QCOMPARE(w.cmdConnect->text(), QStringLiteral("Connect"));
    QCOMPARE(w.shpStatus->fillColor(), QColor(255, 0, 0));
    QVERIFY(!w.cmdWrite->isEnabled());
    QCOMPARE(rig.port.opens, 0);
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestWindowState::connectedState_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("pinChecked");
    // Locked: chkPIN disabled and checked, whatever it was. Otherwise chkPIN follows the
    // connection and keeps its check state.
    QTest::addColumn<bool>("pinLocked");

    QTest::newRow("no version, disconnected") << "" << false << int(NoRole) << false << false;
    QTest::newRow("no version, connected slave") << "" << true << int(Slave) << false << false;
    QTest::newRow("v1.0 connected master") << "v1.0" << true << int(Master) << true << false;
    QTest::newRow("v1.1 connected slave") << "v1.1" << true << int(Slave) << false << true;
    QTest::newRow("v1.1 disconnected slave") << "v1.1" << false << int(Slave) << false << true;
    QTest::newRow("v1.5 connected master") << "v1.5" << true << int(Master) << false << true;
    QTest::newRow("v1.9 disconnected master") << "v1.9" << false << int(Master) << false << true;
    QTest::newRow("v10.0 sorts below v2.0") << "v10.0" << true << int(Slave) << false << true;
    QTest::newRow("v2 is a leading part of v2.0") << "v2" << true << int(Slave) << false << true;
    QTest::newRow("v2.0 connected slave") << "v2.0" << true << int(Slave) << false << false;
    QTest::newRow("v2.0 connected master") << "v2.0" << true << int(Master) << true << false;
    QTest::newRow("v2.0 disconnected master") << "v2.0" << false << int(Master) << false << false;
    QTest::newRow("v3.0 connected slave") << "v3.0" << true << int(Slave) << true << false;
    QTest::newRow("capital V sorts below v1.1") << "V1.5" << true << int(Slave) << false << false;
}

void TestWindowState::connectedState() {
    QFETCH(QString, version);
    QFETCH(bool, connected);
    QFETCH(int, role);
    QFETCH(bool, pinChecked);
    QFETCH(bool, pinLocked);
    WindowRig rig;
    rig.device.FirmwareVersion = version;
    frmMain& w = rig.build();
    if (role != NoRole)
        role == Master ? modProg::SelectMaster(w) : modProg::SelectSlave(w);
    w.chkPIN->setChecked(pinChecked);
    w.cboBaud->setCurrentIndex(4);
    w.txtName->setText(QStringLiteral("Adapter"));
    w.chkDiscoverable->setChecked(true);

    w.SetConnectedState(connected);

    QCOMPARE(w.cboPort->isEnabled(), !connected);
    QCOMPARE(w.cmdConnect->text(), connected ? QString("Disconnect") : QString("Connect"));
    QCOMPARE(w.shpStatus->fillColor(), connected ? QColor(0, 255, 0) : QColor(255, 0, 0));
    const QList<const QWidget*> followers{w.txtBDADDR,  w.lblVersion, w.txtName,
                                          w.OptMaster,  w.OptSlave,   w.cboBaud,
                                          w.cboStopBit, w.cboParity,  w.cmdWrite};
    for (const QWidget* c : followers)
        QVERIFY2(c->isEnabled() == connected, qPrintable(c->objectName()));
    QCOMPARE(w.chkPIN->isEnabled(), connected && !pinLocked);
    QCOMPARE(w.chkPIN->isChecked(), pinChecked || pinLocked);
    QCOMPARE(w.txtPin->isEnabled(), connected && (pinChecked || pinLocked));
    QCOMPARE(w.chkDiscoverable->isEnabled(), connected && role != Master);
    // The role alone decides txtAddr and chkMaster, also after a disconnect.
    QCOMPARE(w.txtAddr->isEnabled(), role == Master);
    QCOMPARE(w.chkMaster->isChecked(), role == Master);
    // Values are left alone.
    QCOMPARE(w.cboBaud->currentIndex(), 4);
    QCOMPARE(w.txtName->text(), QStringLiteral("Adapter"));
    QVERIFY(w.chkDiscoverable->isChecked());
    QVERIFY(w.cmdExit->isEnabled() && w.cmdRefresh->isHidden());
}

void TestWindowState::connectedTwiceIsConnectedOnce() {
    WindowRig once, twice;
    for (WindowRig* rig : {&once, &twice}) {
        rig->device.FirmwareVersion = QStringLiteral("v1.5");
        modProg::SelectSlave(rig->build());
        rig->window->chkPIN->setChecked(false);
        rig->window->SetConnectedState(true);
    }
    twice.window->SetConnectedState(true);
    QCOMPARE(twice.window->grab().toImage(), once.window->grab().toImage());
}

void TestWindowState::busyIsNotCounted_data() {
    QTest::addColumn<QString>("calls"); // B: BeginBusy, E: EndBusy
    QTest::addColumn<bool>("busy");
    QTest::newRow("begin") << "B" << true;
    QTest::newRow("begin, begin, end") << "BBE" << false;
    QTest::newRow("end alone") << "E" << false;
    QTest::newRow("begin, end, begin") << "BEB" << true;
}

void TestWindowState::busyIsNotCounted() {
    QFETCH(QString, calls);
    QFETCH(bool, busy);
    WindowRig rig;
    frmMain& w = rig.build();
    for (const QChar call : calls)
        call == u'B' ? modProg::BeginBusy(w) : modProg::EndBusy(w);
    QCOMPARE(rig.platform.busyPointer, busy);
    QCOMPARE(w.isEnabled(), !busy);
    QCOMPARE(rig.platform.processEventsCalls, calls.size());
}

void TestWindowState::busyWindowTakesNoInput() {
    WindowRig rig;
    frmMain& w = rig.buildShown();
    w.SetConnectedState(true);
    QSignalSpy clicks(w.cmdWrite, &QPushButton::clicked);
    modProg::BeginBusy(w);
    QTest::mouseClick(w.cmdWrite, Qt::LeftButton);
    QTest::keyClicks(w.txtName, "abc");
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(w.txtName->text(), QString());
    modProg::EndBusy(w);
    QTest::mouseClick(w.cmdWrite, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
}

void TestWindowState::closingClosesThePort_data() {
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void TestWindowState::closingClosesThePort() {
    QFETCH(bool, portOpen);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    if (portOpen)
        QVERIFY(rig.comm.OpenPort(3));
    rig.platform.messages.clear();
    QVERIFY(w.close());
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.closes, portOpen ? 1 : 0);
    QVERIFY(rig.port.writes.isEmpty());
    QVERIFY(rig.platform.messages.isEmpty());
}

QTEST_MAIN(TestWindowState)
#include "test_windowstate.moc"
