#include "CaptionFit.h"
#include "DeviceState.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "modComm.h"
#include "modProg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

namespace {

// The window on a fake platform and port, loaded with `storedPort` in the settings store.
struct WindowRig {
    FakePlatform platform;
    FakeSerialPort port{platform.clock};
    modComm comm{port, platform};
    DeviceState device;
    std::unique_ptr<frmMain> window;

    explicit WindowRig(const QString& storedPort = {}) {
        if (!storedPort.isNull())
            platform.settings.insert(QStringLiteral("Properties/CommPort"), storedPort);
        window = std::make_unique<frmMain>(platform, comm, device);
    }
    // Shown, connected and put in the Master role by a click, so that every input takes typing.
    frmMain& connectAsMaster() {
        window->show();
        (void)QTest::qWaitForWindowActive(window.get()); // the focus checks fail if it is not
        window->SetConnectedState(true);
        QTest::mouseClick(window->OptMaster, Qt::LeftButton);
        return *window;
    }
};

// Caption or text; for a list, its items joined by commas.
QString captionOf(const QWidget* w) {
    if (const auto* list = qobject_cast<const QComboBox*>(w)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items.join(u',');
    }
    return w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
}

// Place in the Tab order counted from cmdConnect, -1 when Tab never stops at the control.
int tabPosition(const frmMain& window, const QWidget* control) {
    const auto stops = [](const QWidget* w) {
        return (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty();
    };
    int position = 0;
    for (const QWidget* w = window.cmdConnect; w != control; w = w->nextInFocusChain())
        position += stops(w);
    return stops(control) ? position : -1;
}

// Each character as the keyboard sends it, "\b" as Backspace and "\x16" as Ctrl+V.
void typeKeys(QWidget* field, const QString& keys) {
    for (const QChar c : keys) {
        const int key = c == u'\b' ? Qt::Key_Backspace : c == u'\x16' ? Qt::Key_V : Qt::Key_unknown;
        QKeyEvent event(QEvent::KeyPress, key,
                        key == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier, c);
        QApplication::sendEvent(field, &event);
    }
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void wholeWindow();
    void startUpSelection_data();
    void startUpSelection();
    void connectedState_data();
    void connectedState();
    void typingAndLeaving_data();
    void typingAndLeaving();
};

void TestWindow::layout_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char* name, const char* parent, int tab, QRect geometry,
                        const QString& caption = {}) {
        QTest::newRow(name) << parent << tab << geometry << caption;
    };
    row("cmdRefresh", "frmMain", 11, {416, 144, 89, 33}, "Refresh");
    row("cboPort", "frmMain", 1, {32, 40, 89, 21},
        "COM1,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9,COM10,COM11,COM12,COM13,COM14,COM15,COM16");
    row("cmdConnect", "frmMain", 0, {32, 80, 89, 49}, "Connect");
    row("cmdWrite", "frmMain", 9, {392, 192, 145, 33}, "Save settings");
    row("cmdExit", "frmMain", 10, {392, 232, 145, 33}, "Exit");
    row("Frame2", "frmMain", -1, {384, 8, 161, 113}, "Serial settings");
    row("Frame1", "frmMain", -1, {176, 8, 201, 257}, "Device settings");
    row("Frame3", "frmMain", -1, {16, 8, 153, 257}, "Comm");
    row("cboParity", "Frame2", 8, {64, 80, 81, 21}, "None,Odd,Even");
    row("cboStopBit", "Frame2", 7, {64, 56, 81, 21}, "1,2");
    row("cboBaud", "Frame2", 6, {64, 32, 81, 21},
        "1200,2400,4800,9600,19200,38400,57600,115200,230400");
    row("OptSlave", "Frame1", 16, {8, 144, 57, 17}, "Slave");
    row("OptMaster", "Frame1", 15, {8, 168, 65, 17}, "Master");
    row("chkPIN", "Frame1", 13, {8, 72, 89, 17}, "PIN request");
    row("chkDiscoverable", "Frame1", 12, {72, 144, 121, 17}, "Discoverable Slave");
    row("chkMaster", "Frame1", 4, {128, 168, 65, 17}, "Master");
    row("txtAddr", "Frame1", 5, {56, 208, 129, 19}, "0000 00 00 0000");
    row("txtPin", "Frame1", 3, {56, 96, 129, 19});
    row("txtName", "Frame1", 2, {56, 32, 129, 19});
    row("Line8", "Frame1", -1, {0, 136, 201, 1});
    row("txtBDADDR", "Frame3", 14, {8, 224, 137, 19});
    row("lblVersion", "Frame3", -1, {8, 176, 81, 17});
    row("shpStatus", "Frame3", -1, {120, 88, 17, 17});
}

void TestWindow::layout() {
    WindowRig rig;
    const auto* control = rig.window->findChild<QWidget*>(QTest::currentDataTag());
    QTEST(control->parentWidget()->objectName(), "parent");
    QTEST(tabPosition(*rig.window, control), "tab");
    QTEST(control->geometry(), "geometry");
    QTEST(captionOf(control), "caption");
}

void TestWindow::wholeWindow() {
    WindowRig rig;
    frmMain& w = rig.connectAsMaster();
    QCOMPARE(w.windowTitle(), QStringLiteral("TavixAT Setup (3.0.2)"));
    QVERIFY(w.minimumSize() == QSize(561, 281) && w.maximumSize() == w.minimumSize());
    QVERIFY(w.cmdRefresh->isHidden() && w.chkMaster->isHidden());
    QVERIFY(captionsFit(w)); // connected: "Disconnect" is the longer caption
    // Typed text never becomes an item: positions stand for the device's values.
    QTest::keyClicks(w.cboBaud, "7\r");
    QCOMPARE(w.cboBaud->count(), 9);

    // Busy is not counted: one EndBusy ends two BeginBusy.
    modProg::BeginBusy(w);
    QVERIFY(rig.platform.busyPointer && !w.isEnabled());
    modProg::BeginBusy(w);
    modProg::EndBusy(w);
    QVERIFY(!rig.platform.busyPointer && w.isEnabled());
    QCOMPARE(rig.platform.processEventsCalls, 3);
}

void TestWindow::startUpSelection_data() {
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<int>("selected");
    QTest::newRow("nothing stored") << QString() << 0;
    QTest::newRow("12") << "12" << 11;
    QTest::newRow("16, the last") << "16" << 15;
    QTest::newRow("0 selects nothing") << "0" << -1;
    QTest::newRow("not a number") << "abc" << 0;
}

void TestWindow::startUpSelection() {
    QFETCH(QString, stored);
    WindowRig rig(stored);
    QTEST(rig.window->cboPort->currentIndex(), "selected");
    QVERIFY(!rig.window->cmdWrite->isEnabled()); // disconnected
    QCOMPARE(rig.port.opens, 0);
}

void TestWindow::connectedState_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("master");
    QTest::addColumn<bool>("pinLocked"); // chkPIN disabled and checked
    QTest::newRow("no version, connected") << "" << true << false << false;
    QTest::newRow("v1.1 connected") << "v1.1" << true << true << true;
    QTest::newRow("v1.1 disconnected master") << "v1.1" << false << true << true;
    QTest::newRow("v2.0 disconnected master") << "v2.0" << false << true << false;
}

void TestWindow::connectedState() {
    QFETCH(QString, version);
    QFETCH(bool, connected);
    QFETCH(bool, master);
    QFETCH(bool, pinLocked);
    WindowRig rig;
    rig.device.FirmwareVersion = version;
    frmMain& w = *rig.window;
    master ? modProg::SelectMaster(w) : modProg::SelectSlave(w);
    w.chkPIN->setChecked(false);

    w.SetConnectedState(connected);

    QCOMPARE(w.cmdConnect->text(), connected ? QString("Disconnect") : QString("Connect"));
    QCOMPARE(w.shpStatus->fillColor(), connected ? QColor(0, 255, 0) : QColor(255, 0, 0));
    QCOMPARE(w.cboPort->isEnabled(), !connected);
    for (const char* name : {"txtBDADDR", "lblVersion", "txtName", "OptMaster", "OptSlave",
                             "cboBaud", "cboStopBit", "cboParity", "cmdWrite"})
        QVERIFY2(w.findChild<QWidget*>(name)->isEnabled() == connected, name);
    QCOMPARE(w.chkPIN->isEnabled(), connected && !pinLocked);
    QCOMPARE(w.chkPIN->isChecked(), pinLocked);
    QCOMPARE(w.txtPin->isEnabled(), connected && pinLocked);
    QCOMPARE(w.chkDiscoverable->isEnabled(), connected && !master);
    QCOMPARE(w.txtAddr->isEnabled(), master); // the role alone decides, also after a disconnect
    w.chkPIN->click(); // where chkPIN takes the click, checking it switches txtPin on
    QCOMPARE(w.txtPin->isEnabled(), connected);
}

void TestWindow::typingAndLeaving_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after"); // the text once the field has lost the focus
    QTest::addColumn<QStringList>("messages");
    const auto row = [](const char* name, const char* field, const char* typed, const char* after,
                        const QStringList& messages = {}) {
        QTest::newRow(name) << field << typed << after << messages;
    };
    const QStringList bad{"Invalid address format!"}; // one message, however many faults
    row("hex digits and spaces, lowered", "txtAddr", "ABcd EF 01 2345", "abcd ef 01 2345");
    row("neighbours of the ranges", "txtAddr", "0000 00 /:@G`gx-00 0000", "0000 00 00 0000");
    row("a further space", "txtAddr", "0000 00 00 00 0", "0000 00 00 00 0");
    row("one short, after backspace", "txtAddr", "0000 00 00 0000\b", "0000 00 00 000", bad);
    row("above 127, control codes; digit at 11", "txtAddr", "0000 00 000\x01\r\x1béß\uFF410000",
        "0000 00 0000000", bad);
    row("digit at 8, one message", "txtAddr", "0000 00000 0000", "0000 00000 0000", bad);
    row("colons left out, cut at 15", "txtAddr", "00:1a:2B:00:1a:2B:00:1a", "001a2b001a2b001", bad);
    row("pasted: filtered, cut at 15", "txtAddr", "\x16", "abcdef012345678", bad);
    row("name cut at 14", "txtName", "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMN");
    row("PIN cut at 8", "txtPin", "1234567890", "12345678");
    row("PIN of one space", "txtPin", " ", " ");
    row("empty PIN", "txtPin", "", "", {"Invalid PIN code!"});
}

void TestWindow::typingAndLeaving() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    WindowRig rig;
    auto* edit = rig.connectAsMaster().findChild<QLineEdit*>(field);
    edit->clear();
    edit->setFocus(Qt::OtherFocusReason);
    QApplication::clipboard()->setText(QStringLiteral("Ab:Cd:eF:01:23:45:67:89"));
    typeKeys(edit, typed);
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit, &away); // leaving the window is not leaving the field
    QVERIFY(rig.platform.messages.isEmpty());

    QTest::keyClick(edit, Qt::Key_Tab);
    QTEST(edit->text(), "after");
    QTEST(rig.platform.messageTexts(), "messages");
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
