#include "CaptionFit.h"
#include "StatusLamp.h"
#include "WindowRig.h"

#include <QAbstractButton>
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
    void stackingOrder_data();
    void stackingOrder();
    void tabOrder();
    void lists_data();
    void lists();
    void windowAndDetails();
    void captionsFitInBothStates();
    void inputLimits_data();
    void inputLimits();
};

void TestWindowLayout::controls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("hidden");

    const QString none;
    const auto row = [](const char* name, const char* kind, const char* parent, QRect geometry,
                        const QString& caption, const QString& toolTip = {}, bool hidden = false) {
        QTest::newRow(name) << kind << parent << geometry << caption << toolTip << hidden;
    };
    row("cmdRefresh", "QPushButton", "frmMain", {416, 144, 89, 33}, "Refresh", none, true);
    row("cboPort", "QComboBox", "frmMain", {32, 40, 89, 21}, "COM1");
    row("cmdConnect", "QPushButton", "frmMain", {32, 80, 89, 49}, "Connect");
    row("cmdWrite", "QPushButton", "frmMain", {392, 192, 145, 33}, "Save settings");
    row("cmdExit", "QPushButton", "frmMain", {392, 232, 145, 33}, "Exit");
    row("Frame2", "QGroupBox", "frmMain", {384, 8, 161, 113}, "Serial settings");
    row("Frame1", "QGroupBox", "frmMain", {176, 8, 201, 257}, "Device settings");
    row("Frame3", "QGroupBox", "frmMain", {16, 8, 153, 257}, "Comm");

    row("cboParity", "QComboBox", "Frame2", {64, 80, 81, 21}, none);
    row("cboStopBit", "QComboBox", "Frame2", {64, 56, 81, 21}, none);
    row("cboBaud", "QComboBox", "Frame2", {64, 32, 81, 21}, none);
    row("Label6", "QLabel", "Frame2", {16, 80, 49, 17}, "Parity bit:");
    row("Label5", "QLabel", "Frame2", {8, 56, 57, 17}, "Stop bit(s):");
    row("Label4", "QLabel", "Frame2", {8, 32, 49, 17}, "Baud rate:");

    row("OptSlave", "QRadioButton", "Frame1", {8, 144, 57, 17}, "Slave");
    row("OptMaster", "QRadioButton", "Frame1", {8, 168, 65, 17}, "Master");
    row("chkPIN", "QCheckBox", "Frame1", {8, 72, 89, 17}, "PIN request");
    row("chkDiscoverable", "QCheckBox", "Frame1", {72, 144, 121, 17}, "Discoverable Slave");
    row("chkMaster", "QCheckBox", "Frame1", {128, 168, 65, 17}, "Master", none, true);
    row("txtAddr", "QLineEdit", "Frame1", {56, 208, 129, 19}, "0000 00 00 0000",
        "Enter device MAC address to connect ");
    row("txtPin", "QLineEdit", "Frame1", {56, 96, 129, 19}, none, "Enter security code");
    row("txtName", "QLineEdit", "Frame1", {56, 32, 129, 19}, none, "Enter Device name");
    row("Line8", "tavixat::DottedLine", "Frame1", {0, 136, 201, 1}, none);
    row("lblCTA", "QLabel", "Frame1", {8, 192, 145, 17}, "Connect to address (hex):");
    row("lblFMT", "QLabel", "Frame1", {64, 232, 121, 17}, "(Format: xxxx xx xx xxxx)");
    row("Label8", "QLabel", "Frame1", {120, 120, 65, 17}, "(8 chars max)");
    row("Label7", "QLabel", "Frame1", {112, 56, 73, 17}, "(14 chars max)");
    row("Label2", "QLabel", "Frame1", {8, 96, 57, 17}, "Pin code:");
    row("Label1", "QLabel", "Frame1", {16, 32, 41, 17}, "Name:");

    row("txtBDADDR", "QLineEdit", "Frame3", {8, 224, 137, 19}, none, "Device MAC address");
    row("lblVersion", "QLabel", "Frame3", {8, 176, 81, 17}, none);
    row("Label9", "QLabel", "Frame3", {8, 160, 81, 17}, "TavixAT version:");
    row("Label10", "QLabel", "Frame3", {8, 208, 81, 17}, "MAC address:");
    row("shpStatus", "tavixat::StatusLamp", "Frame3", {120, 88, 17, 17}, none);
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
    QTEST(control->geometry(), "geometry");
    QTEST(captionOf(control), "caption");
    QTEST(control->toolTip(), "toolTip");
    QTEST(control->isHidden(), "hidden");
    QVERIFY(!captionOf(control).contains(u'&')); // no access keys
}

void TestWindowLayout::stackingOrder_data() {
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("frmMain") << QStringList{"cmdRefresh", "cboPort", "cmdConnect", "cmdWrite",
                                            "cmdExit",    "Frame2",  "Frame1",     "Frame3"};
    QTest::newRow("Frame2") << QStringList{"cboParity", "cboStopBit", "cboBaud",
                                           "Label6",    "Label5",     "Label4"};
    QTest::newRow("Frame1") << QStringList{"OptSlave",  "OptMaster", "chkPIN", "chkDiscoverable",
                                           "chkMaster", "txtAddr",   "txtPin", "txtName",
                                           "Line8",     "lblCTA",    "lblFMT", "Label8",
                                           "Label7",    "Label2",    "Label1"};
    QTest::newRow("Frame3") << QStringList{"txtBDADDR", "lblVersion", "Label9", "Label10",
                                           "shpStatus"};
}

void TestWindowLayout::stackingOrder() {
    WindowRig rig;
    frmMain& window = rig.build();
    const QString name = QTest::currentDataTag();
    const QWidget* container =
        name == window.objectName() ? &window : window.findChild<QWidget*>(name);
    QVERIFY(container);
    QTEST(frontToBack(container), "expected");
}

void TestWindowLayout::tabOrder() {
    WindowRig rig;
    frmMain& window = rig.buildShown();

    // The chain of controls that Tab can reach, read from the window's focus chain.
    QStringList chain;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
            !chain.contains(w->objectName()))
            chain << w->objectName();
    }
    const QStringList expected{
        "cmdConnect",      "cboPort",    "txtName",   "txtPin",    "chkMaster", "txtAddr",
        "cboBaud",         "cboStopBit", "cboParity", "cmdWrite",  "cmdExit",   "cmdRefresh",
        "chkDiscoverable", "chkPIN",     "txtBDADDR", "OptMaster", "OptSlave"};
    const qsizetype start = chain.indexOf("cmdConnect");
    QVERIFY(start >= 0);
    QCOMPARE(chain.mid(start) + chain.first(start), expected);

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
    QTest::addColumn<bool>("editable");
    QStringList ports;
    for (int n = 1; n <= 16; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    QTest::newRow("cboPort") << ports << 0 << false;
    QTest::newRow("cboBaud") << QStringList{"1200",  "2400",  "4800",   "9600",  "19200",
                                            "38400", "57600", "115200", "230400"}
                             << -1 << true;
    QTest::newRow("cboStopBit") << QStringList{"1", "2"} << -1 << true;
    QTest::newRow("cboParity") << QStringList{"None", "Odd", "Even"} << -1 << true;
}

void TestWindowLayout::lists() {
    QFETCH(QStringList, items);
    WindowRig rig;
    frmMain& window = rig.buildShown();
    auto* list = window.findChild<QComboBox*>(QTest::currentDataTag());
    QVERIFY(list);
    QStringList actual;
    for (int i = 0; i < list->count(); ++i)
        actual << list->itemText(i);
    QCOMPARE(actual, items);
    QTEST(list->currentIndex(), "current");
    QTEST(list->isEditable(), "editable");

    // Typed text never becomes an item: the positions stand for the device's values.
    window.SetConnectedState(true);
    if (list->isEditable()) {
        QTest::keyClicks(list, "7");
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(list->count(), items.size());
    }
}

void TestWindowLayout::windowAndDetails() {
    WindowRig rig;
    frmMain& window = rig.build();
    QCOMPARE(window.windowTitle(), QStringLiteral("TavixAT Setup (3.0.2)"));
    QCOMPARE(window.minimumSize(), QSize(561, 281));
    QCOMPARE(window.maximumSize(), QSize(561, 281));
    for (int size : {16, 24, 32, 48, 64, 72, 96, 128})
        QVERIFY2(window.windowIcon().availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
    QCOMPARE(window.cmdConnect->icon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}}));
    QCOMPARE(window.cmdRefresh->icon().availableSizes(), QList<QSize>{QSize(19, 14)});

    QVERIFY(!window.Timer1->isActive());
    QCOMPARE(window.Timer1->interval(), 1000);
    QCOMPARE(window.txtName->maxLength(), 14);
    QCOMPARE(window.txtPin->maxLength(), 8);
    QCOMPARE(window.txtAddr->maxLength(), 15);
    QCOMPARE(window.txtAddr->alignment(), Qt::AlignCenter);
    QCOMPARE(window.txtBDADDR->alignment(), Qt::AlignCenter);
    QVERIFY(window.txtBDADDR->isReadOnly());
    QCOMPARE(window.txtBDADDR->palette().color(QPalette::Disabled, QPalette::Base),
             QColor(255, 255, 192));
    QCOMPARE(window.lblVersion->frameShape(), QFrame::Box);
    QCOMPARE(window.lblVersion->alignment(), Qt::AlignCenter);
    QCOMPARE(window.shpStatus->fillColor(), QColor(255, 0, 0));
    QVERIFY(window.chkPIN->isChecked());
    QVERIFY(!window.OptMaster->isChecked() && !window.OptSlave->isChecked());
    QVERIFY(!window.chkMaster->isChecked());
    QVERIFY(!window.txtAddr->isEnabled());
}

void TestWindowLayout::captionsFitInBothStates() {
    WindowRig rig;
    frmMain& window = rig.buildShown();
    QVERIFY(window.font().pointSizeF() >= 6.0);
    QVERIFY(captionsFit(window));
    window.SetConnectedState(true); // "Disconnect" is the longer caption
    QVERIFY(captionsFit(window));

    // The check itself notices a caption that does not fit.
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
    QTest::newRow("address pasted") << "txtAddr"
                                    << "pasted"
                                    << "0000 00 00 00001"
                                    << "0000 00 00 0000";
    QTest::newRow("address pasted, filtered") << "txtAddr"
                                              << "pasted"
                                              << "00:11:22:33:44:55:66"
                                              << "00112233445566";
    QTest::newRow("address pasted from menu") << "txtAddr"
                                              << "menu"
                                              << "Ab:Cd:eF:01:23:45:67:89"
                                              << "AbCdeF012345678";
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

    if (how == "typed") {
        QTest::keyClicks(edit, input);
    } else if (how == "pasted") {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        QApplication::clipboard()->setText(input);
        // Pick Paste in the field's context menu once it is open.
        QTimer::singleShot(0, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions()) {
                if (action->text().contains(QStringLiteral("Paste")))
                    action->trigger();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &event);
    }
    QTEST(edit->text(), "expected");
    QVERIFY(rig.platform.messages.isEmpty());
}

QTEST_MAIN(TestWindowLayout)
#include "test_windowlayout.moc"
