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
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;

namespace {

enum Role { NoRole, Master, Slave };

// Everything a user could see of the controls, one line per control.
QStringList snapshot(const frmMain& window) {
    QStringList lines;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty())
            continue;
        QString line = w->objectName() + (w->isEnabled() ? " on" : " off");
        if (const auto* b = qobject_cast<const QAbstractButton*>(w))
            line += b->text() + (b->isChecked() ? " x" : " _");
        if (const auto* e = qobject_cast<const QLineEdit*>(w))
            line += e->text();
        if (const auto* c = qobject_cast<const QComboBox*>(w))
            line += QString::number(c->currentIndex());
        if (const auto* lamp = qobject_cast<const StatusLamp*>(w))
            line += lamp->fillColor().name();
        lines << line;
    }
    return lines;
}

} // namespace

// The connected and disconnected presentations, and the busy state.
class TestWindowState : public QObject {
    Q_OBJECT

private slots:
    void connectedState_data();
    void connectedState();
    void connectedStateTouchesNothingElse();
    void busyIsNotCounted_data();
    void busyIsNotCounted();
    void busyWindowTakesNoInput();
};

void TestWindowState::connectedState_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("pinChecked");
    QTest::addColumn<bool>("pinLocked");

    // Locked means chkPIN disabled and checked whatever it was; otherwise chkPIN follows the
    // connection and keeps its check state.
    QTest::newRow("no version yet, disconnected") << "" << false << int(NoRole) << false << false;
    QTest::newRow("no version yet, connected slave") << "" << true << int(Slave) << false << false;
    QTest::newRow("v1.0 connected master") << "v1.0" << true << int(Master) << true << false;
    QTest::newRow("v1.1 connected slave") << "v1.1" << true << int(Slave) << false << true;
    QTest::newRow("v1.1 disconnected slave") << "v1.1" << false << int(Slave) << false << true;
    QTest::newRow("v1.5 connected master") << "v1.5" << true << int(Master) << false << true;
    QTest::newRow("v1.9 disconnected master") << "v1.9" << false << int(Master) << false << true;
    QTest::newRow("v10.0 sorts below v2.0") << "v10.0" << true << int(Slave) << false << true;
    QTest::newRow("v2 is a leading part of v2.0") << "v2" << true << int(Slave) << false << true;
    QTest::newRow("v2.0 connected slave") << "v2.0" << true << int(Slave) << false << false;
    QTest::newRow("v2.0 connected master checked")
        << "v2.0" << true << int(Master) << true << false;
    QTest::newRow("v2.0 disconnected master") << "v2.0" << false << int(Master) << false << false;
    QTest::newRow("v3.0 connected slave checked") << "v3.0" << true << int(Slave) << true << false;
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
    if (role == Master)
        modProg::SelectMaster(w);
    else if (role == Slave)
        modProg::SelectSlave(w);
    w.chkPIN->setChecked(pinChecked);

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
    const bool checkedNow = pinChecked || pinLocked;
    QCOMPARE(w.chkPIN->isChecked(), checkedNow);
    QCOMPARE(w.txtPin->isEnabled(), connected && checkedNow);
    QCOMPARE(w.chkDiscoverable->isEnabled(), connected && role != Master);
    // The role alone decides txtAddr, also after a disconnect.
    QCOMPARE(w.txtAddr->isEnabled(), role == Master);
    QCOMPARE(w.chkMaster->isChecked(), role == Master);
}

void TestWindowState::connectedStateTouchesNothingElse() {
    WindowRig rig;
    rig.device.FirmwareVersion = QStringLiteral("v2.1");
    frmMain& w = rig.build();
    modProg::SelectMaster(w);
    w.cboBaud->setCurrentIndex(4);
    w.txtName->setText(QStringLiteral("Adapter"));
    w.chkDiscoverable->setChecked(true);
    w.chkPIN->setChecked(false);

    w.SetConnectedState(true);
    const QStringList once = snapshot(w);
    w.SetConnectedState(true);
    QCOMPARE(snapshot(w), once);

    w.SetConnectedState(false);
    QCOMPARE(w.cboBaud->currentIndex(), 4);
    QCOMPARE(w.txtName->text(), QStringLiteral("Adapter"));
    QVERIFY(w.chkDiscoverable->isChecked());
    QVERIFY(!w.chkPIN->isChecked());
    QVERIFY(w.cmdExit->isEnabled());
    QVERIFY(w.cmdRefresh->isHidden() && !w.cmdRefresh->isEnabled());
    QVERIFY(!w.Timer1->isActive());
}

void TestWindowState::busyIsNotCounted_data() {
    QTest::addColumn<QString>("calls"); // B: BeginBusy, E: EndBusy
    QTest::addColumn<bool>("busy");
    QTest::newRow("begin") << "B" << true;
    QTest::newRow("begin, begin, end") << "BBE" << false;
    QTest::newRow("end alone") << "E" << false;
    QTest::newRow("end, begin") << "EB" << true;
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

QTEST_MAIN(TestWindowState)
#include "test_windowstate.moc"
