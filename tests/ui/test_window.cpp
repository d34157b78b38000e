#include "DeviceState.h"
#include "FakeSerialPort.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "modComm.h"
#include "modProg.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;

namespace {

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
};

// The window as it stands once loaded and disconnected, sizes in pixels. Flags: h hidden,
// d disabled, c checked, e editable list, r read-only. Tab: place in the Tab order counted
// from cmdConnect, -1 where Tab never stops.
struct Control {
    const char *name, *parent, *kind;
    QRect geometry;
    const char *caption, *flags;
    int tab;
    const char* tip = "";
    int maxLength = 0;
};
const char* const kPorts =
    "COM1,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9,COM10,COM11,COM12,COM13,COM14,COM15,COM16";
const Control kControls[] = {
    {"cmdRefresh", "frmMain", "QPushButton", {416, 144, 89, 33}, "Refresh", "hd", 11},
    {"cboPort", "frmMain", "QComboBox", {32, 40, 89, 21}, kPorts, "", 1},
    {"cmdConnect", "frmMain", "QPushButton", {32, 80, 89, 49}, "Connect", "", 0},
    {"cmdWrite", "frmMain", "QPushButton", {392, 192, 145, 33}, "Save settings", "d", 9},
    {"cmdExit", "frmMain", "QPushButton", {392, 232, 145, 33}, "Exit", "", 10},
    {"Frame2", "frmMain", "QGroupBox", {384, 8, 161, 113}, "Serial settings", "", -1},
    {"Frame1", "frmMain", "QGroupBox", {176, 8, 201, 257}, "Device settings", "", -1},
    {"Frame3", "frmMain", "QGroupBox", {16, 8, 153, 257}, "Comm", "", -1},
    {"cboParity", "Frame2", "QComboBox", {64, 80, 81, 21}, "None,Odd,Even", "de", 8},
    {"cboStopBit", "Frame2", "QComboBox", {64, 56, 81, 21}, "1,2", "de", 7},
    {"cboBaud",
     "Frame2",
     "QComboBox",
     {64, 32, 81, 21},
     "1200,2400,4800,9600,19200,38400,57600,115200,230400",
     "de",
     6},
    {"Label6", "Frame2", "QLabel", {16, 80, 49, 17}, "Parity bit:", "", -1},
    {"Label5", "Frame2", "QLabel", {8, 56, 57, 17}, "Stop bit(s):", "", -1},
    {"Label4", "Frame2", "QLabel", {8, 32, 49, 17}, "Baud rate:", "", -1},
    {"OptSlave", "Frame1", "QRadioButton", {8, 144, 57, 17}, "Slave", "d", 16},
    {"OptMaster", "Frame1", "QRadioButton", {8, 168, 65, 17}, "Master", "d", 15},
    {"chkPIN", "Frame1", "QCheckBox", {8, 72, 89, 17}, "PIN request", "dc", 13},
    {"chkDiscoverable", "Frame1", "QCheckBox", {72, 144, 121, 17}, "Discoverable Slave", "d", 12},
    {"chkMaster", "Frame1", "QCheckBox", {128, 168, 65, 17}, "Master", "h", 4},
    {"txtAddr",
     "Frame1",
     "QLineEdit",
     {56, 208, 129, 19},
     "0000 00 00 0000",
     "d",
     5,
     "Enter device MAC address to connect ",
     15},
    {"txtPin", "Frame1", "QLineEdit", {56, 96, 129, 19}, "", "d", 3, "Enter security code", 8},
    {"txtName", "Frame1", "QLineEdit", {56, 32, 129, 19}, "", "d", 2, "Enter Device name", 14},
    {"Line8", "Frame1", "tavixat::DottedLine", {0, 136, 201, 1}, "", "", -1},
    {"lblCTA", "Frame1", "QLabel", {8, 192, 145, 17}, "Connect to address (hex):", "", -1},
    {"lblFMT", "Frame1", "QLabel", {64, 232, 121, 17}, "(Format: xxxx xx xx xxxx)", "", -1},
    {"Label8", "Frame1", "QLabel", {120, 120, 65, 17}, "(8 chars max)", "", -1},
    {"Label7", "Frame1", "QLabel", {112, 56, 73, 17}, "(14 chars max)", "", -1},
    {"Label2", "Frame1", "QLabel", {8, 96, 57, 17}, "Pin code:", "", -1},
    {"Label1", "Frame1", "QLabel", {16, 32, 41, 17}, "Name:", "", -1},
    {"txtBDADDR",
     "Frame3",
     "QLineEdit",
     {8, 224, 137, 19},
     "",
     "dr",
     14,
     "Device MAC address",
     32767},
    {"lblVersion", "Frame3", "QLabel", {8, 176, 81, 17}, "", "d", -1},
    {"Label9", "Frame3", "QLabel", {8, 160, 81, 17}, "TavixAT version:", "", -1},
    {"Label10", "Frame3", "QLabel", {8, 208, 81, 17}, "MAC address:", "", -1},
    {"shpStatus", "Frame3", "tavixat::StatusLamp", {120, 88, 17, 17}, "", "", -1},
};

QString captionOf(const QWidget* w) {
    if (const auto* list = qobject_cast<const QComboBox*>(w)) {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items.join(u',');
    }
    return w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
}

QString flagsOf(const QWidget* w) {
    const bool set[] = {w->isHidden(), !w->isEnabled(), w->property("checked").toBool(),
                        w->property("editable").toBool(), w->property("readOnly").toBool()};
    QString flags;
    for (int i = 0; i < 5; ++i)
        flags += set[i] ? QString(QChar(u"hdcer"[i])) : QString();
    return flags;
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
    void windowAndPictures();
    void startUpSelection_data();
    void startUpSelection();
    void states_data();
    void states();
    void typingAndLeaving_data();
    void typingAndLeaving();
};

void TestWindow::layout_data() {
    QTest::addColumn<int>("row");
    for (const Control& c : kControls)
        QTest::newRow(c.name) << int(&c - kControls);
}

void TestWindow::layout() {
    QFETCH(int, row);
    const Control& c = kControls[row];
    WindowRig rig;
    const QWidget* w = rig.window->findChild<QWidget*>(c.name);
    QVERIFY(w && w->inherits(c.kind));
    QCOMPARE(w->parentWidget()->objectName(), c.parent);
    QCOMPARE(w->geometry(), c.geometry);
    QCOMPARE(captionOf(w), c.caption);
    QCOMPARE(flagsOf(w), c.flags);
    QCOMPARE(w->toolTip(), c.tip);
    QCOMPARE(w->property("maxLength").toInt(), c.maxLength);
    QStringList tabStops; // hidden and disabled controls still hold their place
    for (QWidget* s = rig.window->cmdConnect; tabStops.size() < 40; s = s->nextInFocusChain())
        if ((s->focusPolicy() & Qt::TabFocus) && !s->objectName().isEmpty())
            tabStops << s->objectName();
    QCOMPARE(tabStops.indexOf(c.name), c.tab);
}

// First row where the picture or the caption is drawn over the button's bare face.
int firstDrawnRow(QPushButton* button) {
    const QImage drawn = button->grab().toImage();
    const QIcon picture = button->icon();
    const QString caption = button->text();
    button->setIcon({});
    button->setText({});
    const QImage bare = button->grab().toImage();
    button->setIcon(picture);
    button->setText(caption);
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixel(x, y) != bare.pixel(x, y))
                return y;
    return -1;
}

// Shown captions that Qt itself says need more room than their control has.
QStringList cutCaptions(const QWidget& window) {
    QStringList names;
    for (const QWidget* c : window.findChildren<QWidget*>())
        if ((c->inherits("QLabel") || c->inherits("QAbstractButton")) && !c->isHidden() &&
            c->sizeHint().boundedTo(c->size()) != c->sizeHint())
            names << c->objectName();
    return names;
}

QList<int> sizesOf(const QIcon& icon) {
    QList<int> sizes;
    for (const QSize& s : icon.availableSizes())
        sizes << (s.width() == s.height() ? s.width() : -1);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

void TestWindow::windowAndPictures() {
    WindowRig rig;
    frmMain& w = *rig.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("TavixAT Setup (3.0.2)"));
    QVERIFY(w.minimumSize() == QSize(561, 281) && w.maximumSize() == w.minimumSize());
    QCOMPARE(w.findChild<QTimer*>("Timer1"), w.Timer1);
    QVERIFY(!w.Timer1->isActive() && w.Timer1->interval() == 1000);
    QCOMPARE(sizesOf(w.windowIcon()), (QList<int>{16, 24, 32, 48, 64, 72, 96, 128}));
    QCOMPARE(sizesOf(w.cmdConnect->icon()), (QList<int>{16, 32}));
    QCOMPARE(w.cmdConnect->iconSize(), QSize(32, 32));

    w.SetConnectedState(true); // "Disconnect" is the longer caption
    QCOMPARE(cutCaptions(w), QStringList());
    QFont larger = w.font();
    larger.setPointSizeF(larger.pointSizeF() + 0.5);
    w.setFont(larger);
    QVERIFY(!cutCaptions(w).isEmpty()); // the font is the largest at which all captions fit

    // Picture and caption stay centred: a button taller by 30 px draws them 15 px lower.
    const int top = firstDrawnRow(w.cmdConnect);
    w.cmdConnect->resize(w.cmdConnect->width(), w.cmdConnect->height() + 30);
    QVERIFY2(qAbs(firstDrawnRow(w.cmdConnect) - top - 15) <= 1, qPrintable(QString::number(top)));

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
    QCOMPARE(rig.port.opens, 0);
}

// Steps: "on" and "off" set the connected state, "v..." the firmware version, any other word
// clicks that control.
void TestWindow::states_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QString>("checked");
    const QString on = "cboBaud cboParity cboStopBit chkDiscoverable chkPIN cmdWrite lblVersion "
                       "OptMaster OptSlave txtBDADDR txtName txtPin";
    const QString master =
        QString(on).remove(" chkDiscoverable").replace("txtBDADDR", "txtAddr txtBDADDR");
    QTest::newRow("connected") << "on" << on << "chkPIN";
    QTest::newRow("disconnected") << "on off"
                                  << "cboPort"
                                  << "chkPIN";
    QTest::newRow("Master chosen") << "on OptMaster" << master << "chkMaster chkPIN OptMaster";
    QTest::newRow("Master, then Slave") << "on OptMaster OptSlave" << on << "chkPIN OptSlave";
    QTest::newRow("Master, disconnected: the role alone decides on txtAddr")
        << "on OptMaster off"
        << "cboPort txtAddr"
        << "chkMaster chkPIN OptMaster";
    QTest::newRow("PIN request off") << "on chkPIN" << QString(on).remove(" txtPin") << "";
    QTest::newRow("PIN request on again") << "on chkPIN chkPIN" << on << "chkPIN";
    QTest::newRow("v1.1 locks the PIN request on")
        << "on chkPIN v1.1 on" << QString(on).remove(" chkPIN") << "chkPIN";
    QTest::newRow("v1.1 locks it while disconnected") << "v1.1 off"
                                                      << "cboPort"
                                                      << "chkPIN";
    QTest::newRow("v2.0 leaves it free")
        << "on chkPIN v2.0 on" << QString(on).remove(" txtPin") << "";
}

void TestWindow::states() {
    QFETCH(QString, steps);
    WindowRig rig;
    frmMain& w = *rig.window;
    for (const QString& step : steps.split(u' ')) {
        if (step.startsWith(u'v'))
            rig.device.FirmwareVersion = step;
        else if (step == "on" || step == "off")
            w.SetConnectedState(step == "on");
        else
            w.findChild<QAbstractButton*>(step)->click();
    }
    QStringList enabled, checked;
    for (const char* name : {"cboPort", "cboBaud", "cboParity", "cboStopBit", "chkDiscoverable",
                             "chkMaster", "chkPIN", "cmdWrite", "lblVersion", "OptMaster",
                             "OptSlave", "txtAddr", "txtBDADDR", "txtName", "txtPin"}) {
        const QWidget* c = w.findChild<QWidget*>(name);
        if (c->isEnabled() && c->isVisibleTo(&w))
            enabled << name;
        if (c->property("checked").toBool())
            checked << name;
    }
    QTEST(enabled.join(u' '), "enabled");
    QTEST(checked.join(u' '), "checked");
    const bool connected = !w.cboPort->isEnabled();
    QCOMPARE(w.cmdConnect->text(), connected ? "Disconnect" : "Connect");
    QCOMPARE(w.shpStatus->fillColor(), connected ? QColor(0, 255, 0) : QColor(255, 0, 0));
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
    frmMain& w = *rig.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w)); // the focus checks need it
    w.SetConnectedState(true);
    QTest::mouseClick(w.OptMaster, Qt::LeftButton); // every input now takes typing
    auto* edit = w.findChild<QLineEdit*>(field);
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
