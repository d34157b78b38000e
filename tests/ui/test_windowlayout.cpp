#include "CaptionFit.h"
#include "StatusLamp.h"
#include "WindowRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace tavixat;
using namespace tavixat::test;

namespace {

QString captionOf(const QWidget* w) {
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (const auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (const auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return {};
}

// Named widgets placed directly on `container`, front-most first.
QStringList frontToBack(const QWidget* container) {
    QStringList names;
    for (const QObject* child : container->children()) {
        if (child->isWidgetType() && !child->objectName().isEmpty())
            names.prepend(child->objectName());
    }
    return names;
}

} // namespace

// The window's design: every control, its place, caption, order and limits.
class TestWindowLayout : public QObject {
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void tabOrder();
    void lists_data();
    void lists();
    void windowAndDesignTimeState();
    void captionsFitInBothStates();
    void inputLimits_data();
    void inputLimits();
};

void TestWindowLayout::controls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("stack"); // position in its container, front-most 0
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("hidden");

    const QString none;
    const auto row = [](const char* name, const char* kind, const char* parent, int stack,
                        QRect geometry, const QString& caption, const QString& toolTip = {},
                        bool hidden = false) {
        QTest::newRow(name) << kind << parent << stack << geometry << caption << toolTip << hidden;
    };
    row("cmdRefresh", "QPushButton", "frmMain", 0, {416, 144, 89, 33}, "Refresh", none, true);
    row("cboPort", "QComboBox", "frmMain", 1, {32, 40, 89, 21}, "COM1");
    row("cmdConnect", "QPushButton", "frmMain", 2, {32, 80, 89, 49}, "Connect");
    row("cmdWrite", "QPushButton", "frmMain", 3, {392, 192, 145, 33}, "Save settings");
    row("cmdExit", "QPushButton", "frmMain", 4, {392, 232, 145, 33}, "Exit");
    row("Frame2", "QGroupBox", "frmMain", 5, {384, 8, 161, 113}, "Serial settings");
    row("Frame1", "QGroupBox", "frmMain", 6, {176, 8, 201, 257}, "Device settings");
    row("Frame3", "QGroupBox", "frmMain", 7, {16, 8, 153, 257}, "Comm");

    row("cboParity", "QComboBox", "Frame2", 0, {64, 80, 81, 21}, none);
    row("cboStopBit", "QComboBox", "Frame2", 1, {64, 56, 81, 21}, none);
    row("cboBaud", "QComboBox", "Frame2", 2, {64, 32, 81, 21}, none);
    row("Label6", "QLabel", "Frame2", 3, {16, 80, 49, 17}, "Parity bit:");
    row("Label5", "QLabel", "Frame2", 4, {8, 56, 57, 17}, "Stop bit(s):");
    row("Label4", "QLabel", "Frame2", 5, {8, 32, 49, 17}, "Baud rate:");

    row("OptSlave", "QRadioButton", "Frame1", 0, {8, 144, 57, 17}, "Slave");
    row("OptMaster", "QRadioButton", "Frame1", 1, {8, 168, 65, 17}, "Master");
    row("chkPIN", "QCheckBox", "Frame1", 2, {8, 72, 89, 17}, "PIN request");
    row("chkDiscoverable", "QCheckBox", "Frame1", 3, {72, 144, 121, 17}, "Discoverable Slave");
    row("chkMaster", "QCheckBox", "Frame1", 4, {128, 168, 65, 17}, "Master", none, true);
    row("txtAddr", "QLineEdit", "Frame1", 5, {56, 208, 129, 19}, "0000 00 00 0000",
        "Enter device MAC address to connect ");
    row("txtPin", "QLineEdit", "Frame1", 6, {56, 96, 129, 19}, none, "Enter security code");
    row("txtName", "QLineEdit", "Frame1", 7, {56, 32, 129, 19}, none, "Enter Device name");
    row("Line8", "tavixat::DottedLine", "Frame1", 8, {0, 136, 201, 1}, none);
    row("lblCTA", "QLabel", "Frame1", 9, {8, 192, 145, 17}, "Connect to address (hex):");
    row("lblFMT", "QLabel", "Frame1", 10, {64, 232, 121, 17}, "(Format: xxxx xx xx xxxx)");
    row("Label8", "QLabel", "Frame1", 11, {120, 120, 65, 17}, "(8 chars max)");
    row("Label7", "QLabel", "Frame1", 12, {112, 56, 73, 17}, "(14 chars max)");
    row("Label2", "QLabel", "Frame1", 13, {8, 96, 57, 17}, "Pin code:");
    row("Label1", "QLabel", "Frame1", 14, {16, 32, 41, 17}, "Name:");

    row("txtBDADDR", "QLineEdit", "Frame3", 0, {8, 224, 137, 19}, none, "Device MAC address");
    row("lblVersion", "QLabel", "Frame3", 1, {8, 176, 81, 17}, none);
    row("Label9", "QLabel", "Frame3", 2, {8, 160, 81, 17}, "TavixAT version:");
    row("Label10", "QLabel", "Frame3", 3, {8, 208, 81, 17}, "MAC address:");
    row("shpStatus", "tavixat::StatusLamp", "Frame3", 4, {120, 88, 17, 17}, none);
}

void TestWindowLayout::controls() {
    QFETCH(QString, kind);
    WindowRig rig;
    frmMain& window = rig.build();
    const auto found = window.findChildren<QWidget*>(QTest::currentDataTag());
    QCOMPARE(found.size(), 1);
    const QWidget* control = found.first();

    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    QTEST(control->parentWidget()->objectName(), "parent");
    QTEST(int(frontToBack(control->parentWidget()).indexOf(control->objectName())), "stack");
    QTEST(control->geometry(), "geometry");
    QTEST(captionOf(control), "caption");
    QTEST(control->toolTip(), "toolTip");
    QTEST(control->isHidden(), "hidden");
}

void TestWindowLayout::tabOrder() {
    WindowRig rig;
    frmMain& window = rig.buildShown();

    // The controls Tab can reach, in the order of the window's focus chain.
    QStringList chain;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
            chain << w->objectName();
    }
    const qsizetype start = chain.indexOf("cmdConnect");
    QCOMPARE(chain.mid(start) + chain.first(start),
             (QStringList{"cmdConnect", "cboPort", "txtName", "txtPin", "chkMaster", "txtAddr",
                          "cboBaud", "cboStopBit", "cboParity", "cmdWrite", "cmdExit", "cmdRefresh",
                          "chkDiscoverable", "chkPIN", "txtBDADDR", "OptMaster", "OptSlave"}));

    // The hidden chkMaster between them is skipped.
    window.SetConnectedState(true);
    window.OptMaster_Click();
    window.txtPin->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(window.txtPin, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window.txtAddr);
}

void TestWindowLayout::lists_data() {
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");
    QStringList ports;
    for (int n = 1; n <= 16; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    QTest::newRow("cboPort") << ports << 0;
    QTest::newRow("cboBaud") << QStringList{"1200",  "2400",  "4800",   "9600",  "19200",
                                            "38400", "57600", "115200", "230400"}
                             << -1;
    QTest::newRow("cboStopBit") << QStringList{"1", "2"} << -1;
    QTest::newRow("cboParity") << QStringList{"None", "Odd", "Even"} << -1;
}

void TestWindowLayout::lists() {
    QFETCH(QStringList, items);
    WindowRig rig;
    frmMain& window = rig.buildShown();
    auto* list = window.findChild<QComboBox*>(QTest::currentDataTag());
    QStringList actual;
    for (int i = 0; i < list->count(); ++i)
        actual << list->itemText(i);
    QCOMPARE(actual, items);
    QTEST(list->currentIndex(), "current");
    QCOMPARE(list->isEditable(), list != window.cboPort);

    // Typed text never becomes an item: positions stand for the device's values.
    window.SetConnectedState(true);
    QTest::keyClicks(list, "7");
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->count(), items.size());
}

void TestWindowLayout::windowAndDesignTimeState() {
    WindowRig rig;
    frmMain& window = rig.build();
    QCOMPARE(window.windowTitle(), QStringLiteral("TavixAT Setup (3.0.2)"));
    QCOMPARE(window.minimumSize(), QSize(561, 281));
    QCOMPARE(window.maximumSize(), QSize(561, 281));
    // The pictures are resources of a static library: they are there only when registered.
    QCOMPARE(window.windowIcon().availableSizes().size(), 8);
    QCOMPARE(window.cmdConnect->icon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}}));
    QCOMPARE(window.cmdRefresh->icon().availableSizes(), QList<QSize>{QSize(19, 14)});
    QVERIFY(window.chkPIN->isChecked() && !window.chkMaster->isChecked());
    QVERIFY(!window.OptMaster->isChecked() && !window.OptSlave->isChecked());
}

void TestWindowLayout::captionsFitInBothStates() {
    WindowRig rig;
    frmMain& window = rig.buildShown();
    QVERIFY(window.font().pointSizeF() >= 6.0);
    QVERIFY(captionsFit(window));
    window.SetConnectedState(true); // "Disconnect" is the longer caption
    QVERIFY(captionsFit(window));
    window.Label1->setText(QStringLiteral("A name far too long for its place"));
    QVERIFY(!captionsFit(window));
}

void TestWindowLayout::inputLimits_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name typed") << "txtName"
                                << "typed"
                                << "ABCDEFGHIJKLMNOP"
                                << "ABCDEFGHIJKLMN";
    QTest::newRow("name pasted") << "txtName"
                                 << "pasted"
                                 << "ABCDEFGHIJKLMNOP"
                                 << "ABCDEFGHIJKLMN";
    QTest::newRow("pin typed") << "txtPin"
                               << "typed"
                               << "1234567890"
                               << "12345678";
    QTest::newRow("pin pasted") << "txtPin"
                                << "pasted"
                                << "1234567890"
                                << "12345678";
    QTest::newRow("address typed") << "txtAddr"
                                   << "typed"
                                   << "0000 00 00 00001"
                                   << "0000 00 00 0000";
    QTest::newRow("address pasted, filtered") << "txtAddr"
                                              << "pasted"
                                              << "00:11:22:33:44:55:66"
                                              << "00112233445566";
    QTest::newRow("address pasted from the menu") << "txtAddr"
                                                  << "menu"
                                                  << "Ab:Cd:eF:01:23:45:67:89"
                                                  << "AbCdeF012345678";
    QTest::newRow("own address is read-only") << "txtBDADDR"
                                              << "typed"
                                              << "12"
                                              << "";
}

void TestWindowLayout::inputLimits() {
    QFETCH(QString, field);
    QFETCH(QString, how);
    QFETCH(QString, input);
    WindowRig rig;
    frmMain& window = rig.buildShown();
    window.SetConnectedState(true);
    window.OptMaster_Click();
    auto* edit = window.findChild<QLineEdit*>(field);
    edit->clear();
    edit->setFocus(Qt::OtherFocusReason);
    QApplication::clipboard()->setText(input);

    if (how == "typed") {
        QTest::keyClicks(edit, input);
    } else if (how == "pasted") {
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        // Choose Paste in the field's context menu once it is open.
        QTimer::singleShot(0, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions()) {
                if (action->text().contains(QStringLiteral("Paste")))
                    action->trigger();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, {5, 5}, edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &event);
    }
    QTEST(edit->text(), "expected");
    QVERIFY(rig.platform.messages.isEmpty());
}

QTEST_MAIN(TestWindowLayout)
#include "test_windowlayout.moc"
