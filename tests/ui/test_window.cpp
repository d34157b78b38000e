#include "DeviceModel.h"
#include "DeviceState.h"
#include "FakeSerialPort.h"
#include "LinkTrace.h"
#include "QtPlatform.h"
#include "frmMain.h"
#include "modComm.h"
#include "modProg.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;

namespace {

// A platform whose port list names the device paths a settings file gave.
struct PortsPlatform : FakePlatform {
    QList<PortEntry> ports;
    QString problem; // what keeps the settings file from being read
    QList<PortEntry> portTable() override { return ports; }
    QString settingsProblem() override { return problem; }
};

struct WindowRig {
    PortsPlatform platform;
    FakeSerialPort port{platform.clock};
    modComm comm{port, platform};
    DeviceState device;
    std::unique_ptr<frmMain> window;
    std::optional<sim::DeviceModel> model;

    explicit WindowRig(const QString& storedPort = {}, const QList<PortEntry>& ports = {},
                       const QString& problem = {}) {
        if (!storedPort.isNull())
            platform.settings.insert(QStringLiteral("Properties/CommPort"), storedPort);
        platform.ports = ports, platform.problem = problem;
        window = std::make_unique<frmMain>(platform, comm, device);
    }
    // Connects the shown window to the device model, in the Master role; the line log restarts.
    void connectTo(const sim::DeviceSettings& settings) {
        model.emplace(settings);
        port.onWrite = [this](const QByteArray& bytes) {
            for (const auto& c : model->receive(bytes, platform.now(), port.rtsEnable()).chunks)
                port.feed(c.bytes, c.atMs);
        };
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get())); // the focus checks need it
        window->cmdConnect->click();
        window->OptMaster->click();
        port.writes.clear();
    }
};

// The window once loaded: name, container, x,y,width,height in pixels, flags (hidden,
// disabled, checked, editable, read-only), caption or list items; for a text box, its tooltip
// and length limit.
const char* const kLayout[] = {
    "cmdRefresh frmMain 416,144,89,33 hd--- Refresh",
    ("cboPort frmMain 32,40,89,21 ----- "
     "COM1,COM2,COM3,COM4,COM5,COM6,COM7,COM8,COM9,COM10,COM11,COM12,COM13,COM14,COM15,COM16"),
    "cmdConnect frmMain 32,80,89,49 ----- Connect",
    "cmdWrite frmMain 392,192,145,33 -d--- Save settings",
    "cmdExit frmMain 392,232,145,33 ----- Exit",
    "Frame2 frmMain 384,8,161,113 ----- Serial settings",
    "Frame1 frmMain 176,8,201,257 ----- Device settings",
    "Frame3 frmMain 16,8,153,257 ----- Comm",
    "cboParity Frame2 64,80,81,21 -d-e- None,Odd,Even",
    "cboStopBit Frame2 64,56,81,21 -d-e- 1,2",
    "cboBaud Frame2 64,32,81,21 -d-e- 1200,2400,4800,9600,19200,38400,57600,115200,230400",
    "Label6 Frame2 16,80,49,17 ----- Parity bit:",
    "Label5 Frame2 8,56,57,17 ----- Stop bit(s):",
    "Label4 Frame2 8,32,49,17 ----- Baud rate:",
    "OptSlave Frame1 8,144,57,17 -d--- Slave",
    "OptMaster Frame1 8,168,65,17 -d--- Master",
    "chkPIN Frame1 8,72,89,17 -dc-- PIN request",
    "chkDiscoverable Frame1 72,144,121,17 -d--- Discoverable Slave",
    "chkMaster Frame1 128,168,65,17 h---- Master",
    "txtAddr Frame1 56,208,129,19 -d--- 0000 00 00 0000|Enter device MAC address to connect |15",
    "txtPin Frame1 56,96,129,19 -d--- |Enter security code|8",
    "txtName Frame1 56,32,129,19 -d--- |Enter Device name|14",
    "Line8 Frame1 0,136,201,1 -----",
    "lblCTA Frame1 8,192,145,17 ----- Connect to address (hex):",
    "lblFMT Frame1 64,232,121,17 ----- (Format: xxxx xx xx xxxx)",
    "Label8 Frame1 120,120,65,17 ----- (8 chars max)",
    "Label7 Frame1 112,56,73,17 ----- (14 chars max)",
    "Label2 Frame1 8,96,57,17 ----- Pin code:",
    "Label1 Frame1 16,32,41,17 ----- Name:",
    "txtBDADDR Frame3 8,224,137,19 -d--r |Device MAC address|32767",
    "lblVersion Frame3 8,176,81,17 -d---",
    "Label9 Frame3 8,160,81,17 ----- TavixAT version:",
    "Label10 Frame3 8,208,81,17 ----- MAC address:",
    "shpStatus Frame3 120,88,17,17 -----",
};

QString describe(const QWidget* w) {
    QString text = w->property(w->inherits("QGroupBox") ? "title" : "text").toString(), flags;
    if (const auto* list = qobject_cast<const QComboBox*>(w))
        for (int i = 0; i < list->count(); ++i)
            text += (i ? "," : "") + list->itemText(i);
    if (w->inherits("QLineEdit"))
        text += '|' + w->toolTip() + '|' + w->property("maxLength").toString();
    const bool set[] = {w->isHidden(), !w->isEnabled(), w->property("checked").toBool(),
                        w->property("editable").toBool(), w->property("readOnly").toBool()};
    for (int i = 0; i < 5; ++i)
        flags += set[i] ? "hdcer"[i] : '-';
    const QRect g = w->geometry();
    const QString place = QString::asprintf("%d,%d,%d,%d", g.x(), g.y(), g.width(), g.height());
    return QStringList{w->objectName(), w->parentWidget()->objectName(), place, flags, text}
        .join(u' ')
        .trimmed();
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
    int y = 0;
    while (y < drawn.height() &&
           !memcmp(drawn.constScanLine(y), bare.constScanLine(y), drawn.bytesPerLine()))
        ++y;
    return y;
}

// Shown captions that need more room than their control has, by Qt's own measure.
QStringList cutCaptions(const QWidget& window) {
    QStringList names;
    for (const QWidget* c : window.findChildren<QWidget*>())
        if ((c->inherits("QLabel") || c->inherits("QAbstractButton")) && !c->isHidden() &&
            c->sizeHint().boundedTo(c->size()) != c->sizeHint())
            names << c->objectName();
    return names;
}

// The text a reader sees where Qt shows `text` in `format`: rich text is rendered, so markup
// vanishes and entities turn into the characters they stand for.
QString seenText(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    QTextDocument shown;
    const bool rich =
        format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    rich ? shown.setHtml(text) : shown.setPlainText(text);
    return shown.toPlainText();
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void layout();
    void captionsAndPictures();
    void typingAndLeaving_data();
    void typingAndLeaving();
    void leavingABox_data();
    void leavingABox();
    void moduleTextAsText_data();
    void moduleTextAsText();
    void keyboardAndScreenReader();
    void traceFailureToldOnce();
};

// A trace that cannot be written is told once, in a box, and only after the exchange that met
// it: a box inside one would hold the module's replies up.
void TestWindow::traceFailureToldOnce() {
    WindowRig rig;
    QBuffer full; // read-only: every line written to it fails
    QVERIFY(full.open(QIODevice::ReadOnly));
    LinkTrace trace(rig.platform, full);
    rig.comm.setObserver(&trace);
    trace.onWriteFailed = [&](const QString& error) { rig.window->reportTraceFailure(error); };
    rig.connectTo({});
    rig.window->cmdWrite->click();
    QTRY_COMPARE(rig.platform.messages.size(), 2); // "Settings saved!", then the trace's
    QVERIFY2(rig.platform.messages.last().text.startsWith("The trace ") &&
                 rig.platform.messages.last().text.contains(" could not be written: "),
             qPrintable(rig.platform.messages.last().text));
    QTest::qWait(300);
    QCOMPARE(rig.platform.messages.size(), 2);
}

void TestWindow::layout() {
    WindowRig rig;
    const frmMain& w = *rig.window;
    QStringList shown, expected;
    for (const char* row : kLayout) {
        const auto* control = w.findChild<QWidget*>(QString(row).section(u' ', 0, 0));
        shown << (control ? describe(control) : QStringLiteral("missing"));
        expected << row;
    }
    QCOMPARE(shown, expected);
    QCOMPARE(w.windowTitle(), "TavixAT Setup (3.0.2)");
    QVERIFY(w.minimumSize() == QSize(561, 281) && w.maximumSize() == w.minimumSize());
    QVERIFY(!w.Timer1->isActive() && w.Timer1->interval() == 1000);
    // The port kept from the last run, when it is one of the list or 0 (none); a settings file
    // that cannot be read is told of once.
    for (const auto& [stored, selected, problem] :
         {std::tuple{"16", 15, ""}, {"0", -1, "f is not a file."}, {"1a", 0, ""}}) {
        const WindowRig start(stored, {}, problem);
        QCOMPARE(start.window->cboPort->currentIndex(), selected);
        QCOMPARE(start.platform.messages.size(), qsizetype(*problem != 0));
        QCOMPARE(start.platform.messages.value(0).text,
                 *problem ? problem + QString("\r\nTavixAT Setup starts with its default settings "
                                              "and leaves the file as it is, so nothing in it is "
                                              "lost. Correct the file or move it away to keep "
                                              "settings again.")
                          : "");
    }
}

void TestWindow::captionsAndPictures() {
    WindowRig rig;
    frmMain& w = *rig.window;
    for (int size : {16, 24, 32, 48, 64, 72, 96, 128})
        QVERIFY(w.windowIcon().availableSizes().contains(QSize(size, size)));
    QCOMPARE(w.cmdConnect->icon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}}));
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
    QVERIFY(qAbs(firstDrawnRow(w.cmdConnect) - top - 15) <= 1);
}

void TestWindow::typingAndLeaving_data() {
    QTest::addColumn<QString>("typed"); // "\x16": Ctrl+V
    QTest::addColumn<QString>("after"); // the text once the field has lost the focus
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const char* typed, const char* after,
                        const char* message = "") {
        QTest::newRow(name) << typed << after << message;
    };
    const char* bad = "Invalid address format!"; // one message, however many faults
    row("hex digits and spaces, lowered", "ABcd EF 01 2345", "abcd ef 01 2345");
    row("neighbours of the ranges", "0000 00 /:@G`gx-00 0000", "0000 00 00 0000");
    row("a further space", "0000 00 00 00 0", "0000 00 00 00 0");
    row("one short, after backspace", "0000 00 00 0000\b", "0000 00 00 000", bad);
    row("above 127, control codes; digit at 11", "0000 00 000\x01\r\x1béß\uFF410000",
        "0000 00 0000000", bad);
    row("digit at 8", "0000 00000 0000", "0000 00000 0000", bad);
    row("twelve digits shaped", "00:11:22:AF:ab:55", "0011 22 af ab55");
    row("colons left out, cut at 15", "00:1a:2B:00:1a:2B:00:1a", "001a2b001a2b001", bad);
    row("pasted: filtered, cut at 15", "\x16", "abcdef012345678", bad);
}

void TestWindow::typingAndLeaving() {
    QFETCH(QString, typed);
    WindowRig rig;
    frmMain& w = *rig.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w)); // the focus checks need it
    w.SetConnectedState(true);
    w.OptMaster->click(); // every input now takes typing
    QLineEdit* edit = w.txtAddr;
    edit->clear();
    edit->setFocus(Qt::OtherFocusReason);
    QApplication::clipboard()->setText(QStringLiteral("Ab:Cd:eF:01:23:45:67:89"));
    for (const QChar c : typed) // as the keyboard sends it, with the text it types
        QTest::sendKeyEvent(QTest::Press, edit,
                            c == u'\b'     ? Qt::Key_Backspace
                            : c == u'\x16' ? Qt::Key_V
                                           : Qt::Key_unknown,
                            QString(c), c == u'\x16' ? Qt::ControlModifier : Qt::NoModifier);
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit, &away); // leaving the window is not leaving the field
    QVERIFY(rig.platform.messages.isEmpty());

    QTest::keyClick(edit, Qt::Key_Tab);
    QTEST(edit->text(), "after");
    QTEST(rig.platform.messages.value(0).text, "message");
    QVERIFY(rig.platform.messages.size() <= 1);
}

// The focus leaving a box with a bad value, the window connected to the device model. The program
// taking it away (a module gone silent, a lost line, the busy state) is not the user leaving: no
// check runs, and the busy state gives the focus back, or to Connect when its control went
// disabled meanwhile. A click that warned does nothing and leaves no button drawn pressed (the
// message box eats its release); the next click works.
void TestWindow::leavingABox_data() {
    QTest::addColumn<QString>("steps");    // the box and its text first
    QTest::addColumn<QString>("expected"); // the messages, what was sent, where the focus went
    const auto row = [](const char* name, const char* steps, const QString& expected) {
        QTest::newRow(name) << QString(steps) << expected;
    };
    const QString pin = "Invalid PIN code!|Settings saved!|<NAME=TavixAT><PKEY=><BAUD=9600><SBIT=1>"
                        "<PRTY=N><MASTER><ADDR=0000 00 00 0000><DISCOVERABLE><PIN_ON>|cmdWrite";
    row("module stops answering", "txtPin=,mute,tick", "<PING>|txtAddr");
    row("line lost", "txtPin=,hangup", "ERROR, Check COM1!\r\ngone||txtAddr");
    row("Tab, then Save", "txtPin=,tab,cmdWrite", pin);
    row("Save, then again", "txtPin=,cmdWrite,cmdWrite", pin);
    row("address, Save", "txtAddr=12,cmdWrite", "Invalid address format!||cmdWrite");
    row("busy, then idle", "txtPin=,busy,idle", "|txtPin");
    row("dropped while busy", "txtPin=,busy,drop,idle", "|cmdConnect");
}

void TestWindow::leavingABox() {
    QFETCH(QString, steps);
    WindowRig rig;
    rig.connectTo({});
    frmMain& w = *rig.window;
    auto* edit = w.findChild<QLineEdit*>(steps.section(u'=', 0, 0));
    QTest::mouseClick(edit, Qt::LeftButton); // the user puts the cursor into the box
    edit->setText(steps.section(u'=', 1).section(u',', 0, 0));
    QCOMPARE(QApplication::focusWidget(), edit);
    for (const QString& step : steps.section(u',', 1).split(u',')) {
        const qsizetype warned = rig.platform.messages.size();
        if (step == "mute")
            rig.model.emplace(sim::DeviceSettings{}, sim::DeviceFaults{.silent = true});
        else if (step == "tick")
            w.Timer1_Timer();
        else if (step == "hangup")
            rig.port.hangUp("gone");
        else if (step == "tab")
            QTest::keyClick(edit, Qt::Key_Tab);
        else if (step == "busy" || step == "idle")
            step == "busy" ? modProg::BeginBusy(w) : modProg::EndBusy(w);
        else if (step == "drop") // a dropped connection, the empty box under the focus
            w.SetConnectedState(false);
        else { // a click that goes through is drawn pressed until released; one that warned is not
            QTest::mousePress(w.cmdWrite, Qt::LeftButton);
            QCOMPARE(w.cmdWrite->isDown(), rig.platform.messages.size() == warned);
            QTest::mouseRelease(w.cmdWrite, Qt::LeftButton);
        }
        QCoreApplication::processEvents(); // back in the event loop between two user actions
    }
    QStringList seen;
    for (const ShownMessage& m : rig.platform.messages)
        seen << m.text;
    seen << rig.port.written() << QApplication::focusWidget()->objectName();
    QTEST(seen.join(u'|'), "expected");
}

// Texts from the module or the settings file are shown as they are, never as markup.
void TestWindow::moduleTextAsText_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("text");
    for (const auto& [name, where, text] :
         {std::tuple{"bold in the version", "lblVersion", "v2.0<b>beta</b>"},
          {"markup in a port's path", "cboPort", "/dev/<i>tty</i>  USB0"},
          // An adapter plugged in while the window is open, seen once the list drops down.
          {"a port's path, dropped down", "cboPort dropped down", "/dev/ttyUSB0"},
          {"markup in a message", "message", "Invalid version (<img src=x.png>)"}})
        QTest::newRow(name) << QString(where) << QString(text);
}

void TestWindow::moduleTextAsText() {
    QFETCH(QString, where);
    QFETCH(QString, text);
    const QList<PortEntry> ports{{1, text, true}};
    WindowRig rig({}, where == "cboPort" ? ports : QList<PortEntry>());
    QString seen;
    if (where == "lblVersion") {
        rig.connectTo({.firmware = text});
        seen = seenText(rig.window->lblVersion->text(), rig.window->lblVersion->textFormat());
    } else if (where.startsWith("cboPort")) {
        rig.platform.ports = ports;
        if (where.endsWith("down"))
            rig.window->cboPort->showPopup();
        seen = seenText(rig.window->cboPort->itemData(0, Qt::ToolTipRole).toString());
    } else { // the box, once it has the focus, gives it back to the window's control
        rig.connectTo({});
        QTimer::singleShot(0, [&seen] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
                seen = seenText(label->text(), label->textFormat());
                QVERIFY(QTest::qWaitForWindowActive(box));
                box->accept();
            }
        });
        QtPlatform().showMessage(text, MessageIcon::Error);
        QTRY_COMPARE(QApplication::focusWidget(), rig.window->cmdConnect);
    }
    QVERIFY2(seen.contains(text), qPrintable(seen));
}

// WCAG's relative luminance.
double luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// A control as a screen reader announces it: role, name, description and, when it is not the
// name, the label it is tied to (its frame's title labels it too); "hidden" when the window keeps
// it hidden, "faint" when it is enabled and its text contrasts with its ground by less than WCAG
// AA's 4.5.
QString announced(QWidget* control) {
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(control);
    const QString name = seen->text(QAccessible::Name);
    const auto labels = seen->relations(QAccessible::Label);
    const bool byLabel = !labels.isEmpty() && labels[0].first->role() == QAccessible::StaticText;
    const QString label = byLabel ? labels[0].first->text(QAccessible::Name) : "";
    const auto [darker, lighter] =
        std::minmax({luminance(control->palette().color(control->foregroundRole())),
                     luminance(control->palette().color(control->backgroundRole()))});
    const bool faint = control->isEnabled() && (lighter + 0.05) / (darker + 0.05) < 4.5;
    return QStringList{control->objectName(),
                       QMetaEnum::fromType<QAccessible::Role>().valueToKey(seen->role()), name,
                       seen->text(QAccessible::Description), label == name ? "" : label}
               .join(u'|') +
           (seen->state().invisible ? "|hidden" : "") + (faint ? "|faint" : "");
}

// Keyboard alone, as a screen reader announces each stop: once connected, Tab from Connect visits
// every setting, Save settings and Exit in the window's tab order; Enter disconnects. Under a dark
// palette (Fusion style, as here) all text stays readable.
void TestWindow::keyboardAndScreenReader() {
    WindowRig rig;
    rig.window->setPalette(QPalette(QColor(53, 53, 53))); // white text, black or grey grounds
    rig.connectTo({});                                    // from start-up, the focus on Connect
    QStringList seen;
    do {
        seen << announced(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (QApplication::focusWidget() != rig.window->cmdConnect && seen.size() < 30);
    for (const char* unreached : {"shpStatus", "lblVersion", "Line8", "chkMaster", "cmdRefresh"})
        seen << announced(rig.window->findChild<QWidget*>(unreached));
    QTest::keyClick(rig.window->cmdConnect, Qt::Key_Return);
    seen << announced(rig.window->findChild<QWidget*>("shpStatus"));
    QCOMPARE(
        seen,
        (QStringList{
            "cmdConnect|Button|Disconnect||", "txtName|EditableText|Name:|(14 chars max)|",
            "txtPin|EditableText|Pin code:|(8 chars max)|",
            "txtAddr|EditableText|Connect to address (hex):|(Format: xxxx xx xx xxxx)|",
            "cboBaud|ComboBox|9600||Baud rate:", "cboStopBit|ComboBox|1||Stop bit(s):",
            "cboParity|ComboBox|None||Parity bit:", "cmdWrite|Button|Save settings||",
            "cmdExit|Button|Exit||", "chkPIN|CheckBox|PIN request||",
            "txtBDADDR|EditableText|MAC address:|Device MAC address|",
            "OptMaster|RadioButton|Master||", "shpStatus|StatusBar|Connected|Connected|",
            "lblVersion|StaticText|v2.0||TavixAT version:", "Line8|Separator|Device settings||",
            "chkMaster|CheckBox|Master|||hidden", "cmdRefresh|Button|Refresh|||hidden",
            "shpStatus|StatusBar|Not connected|Not connected|"}));
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
