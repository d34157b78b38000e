#include "WindowRig.h"
#include "modProg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace tavixat;
using namespace tavixat::test;

namespace {

// A key press that types `text`, sent the way the keyboard would send it.
void press(QWidget* target, int key, const QString& text,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &down);
}

} // namespace

// The role options, the PIN request and the address and PIN boxes.
class TestAddressInputs : public QObject {
    Q_OBJECT

private slots:
    void keyFilterCodes_data();
    void keyFilterCodes();
    void typedIntoAddress_data();
    void typedIntoAddress();
    void editingKeysKeepTheirMeaning();
    void addressCheck_data();
    void addressCheck();
    void addressCheckOnTab();
    void pinCheck_data();
    void pinCheck();
    void roles_data();
    void roles();
    void pinRequestClick_data();
    void pinRequestClick();
};

void TestAddressInputs::keyFilterCodes_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("result");
    for (int passing : std::initializer_list<int>{'0', '9', 'A', 'F', 'a', 'f', ' ', 8})
        QTest::addRow("%d passes", passing) << passing << passing;
    for (int cancelled : std::initializer_list<int>{'/', ':', '@', 'G', '`', 'g', '-', 0, 3, 9, 13,
                                                    22, 27, 127, 128, 233, 0x41 + 0xFF00, -1})
        QTest::addRow("%d cancelled", cancelled) << cancelled << 0;
}

void TestAddressInputs::keyFilterCodes() {
    QFETCH(int, code);
    WindowRig rig;
    frmMain& w = rig.build();
    w.txtAddr_KeyPress(code);
    QTEST(code, "result");
}

void TestAddressInputs::typedIntoAddress_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("hex digits, both cases") << "09afAF"
                                            << "09afAF";
    QTest::newRow("spaces") << "0000 00"
                            << "0000 00";
    QTest::newRow("G, x, minus, colon") << "Gx-:"
                                        << "";
    QTest::newRow("colons left out") << "00:1a:2B"
                                     << "001a2B";
    QTest::newRow("backspace") << "AB\b"
                               << "A";
    QTest::newRow("not ASCII") << QString::fromUtf8("1é2ß3") << "123";
    QTest::newRow("control characters") << QString("1\x01\r\x1b"
                                                   "2")
                                        << "12";
}

void TestAddressInputs::typedIntoAddress() {
    QFETCH(QString, typed);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    modProg::SelectMaster(w);
    w.txtAddr->clear();
    for (const QChar c : typed)
        press(w.txtAddr, c == u'\b' ? int(Qt::Key_Backspace) : int(Qt::Key_unknown), c);
    QTEST(w.txtAddr->text(), "shown");
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestAddressInputs::editingKeysKeepTheirMeaning() {
    WindowRig rig;
    frmMain& w = rig.buildShown();
    modProg::SelectMaster(w);
    w.txtAddr->setFocus(Qt::OtherFocusReason);
    w.txtAddr->setText(QStringLiteral("1234"));

    QTest::keyClick(w.txtAddr, Qt::Key_Home);
    press(w.txtAddr, Qt::Key_Delete, QStringLiteral("\x7f"));
    QCOMPARE(w.txtAddr->text(), QStringLiteral("234"));
    QTest::keyClick(w.txtAddr, Qt::Key_Right);
    QTest::keyClicks(w.txtAddr, "f");
    QCOMPARE(w.txtAddr->text(), QStringLiteral("2f34"));
    QTest::keyClick(w.txtAddr, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w.txtAddr->selectedText(), QStringLiteral("2f34"));
    QTest::keyClicks(w.txtAddr, "c");
    QCOMPARE(w.txtAddr->text(), QStringLiteral("c"));
}

void TestAddressInputs::addressCheck_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("warned");

    QTest::newRow("the design-time address") << "0000 00 00 0000"
                                             << "0000 00 00 0000" << false;
    QTest::newRow("upper case is lowered") << "ABCD EF 01 2345"
                                           << "abcd ef 01 2345" << false;
    QTest::newRow("a further space") << "0000 00 00 00 0"
                                     << "0000 00 00 00 0" << false;
    QTest::newRow("short, lowered anyway") << "AB"
                                           << "ab" << true;
    QTest::newRow("empty") << ""
                           << "" << true;
    QTest::newRow("14 characters") << "0000 00 00 000"
                                   << "0000 00 00 000" << true;
    QTest::newRow("digit at 8") << "0000 00000 0000"
                                << "0000 00000 0000" << true;
    QTest::newRow("no spaces at all") << "000000000000000"
                                      << "000000000000000" << true;
    QTest::newRow("colons") << "0000:00:00:0000"
                            << "0000:00:00:0000" << true;
}

void TestAddressInputs::addressCheck() {
    QFETCH(QString, text);
    QFETCH(bool, warned);
    WindowRig rig;
    frmMain& w = rig.build();
    w.txtAddr->setText(text);
    w.txtAddr_LostFocus();
    QTEST(w.txtAddr->text(), "after");
    QCOMPARE(rig.platform.messageTexts(),
             warned ? QStringList{"Invalid address format!"} : QStringList{});
    if (warned)
        QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
}

void TestAddressInputs::addressCheckOnTab() {
    WindowRig rig;
    frmMain& w = rig.buildShown();
    modProg::SelectMaster(w);
    w.txtAddr->setFocus(Qt::OtherFocusReason);
    w.txtAddr->setText(QStringLiteral("12AB"));
    QTest::keyClick(w.txtAddr, Qt::Key_Tab);
    QVERIFY(!w.txtAddr->hasFocus());
    QCOMPARE(w.txtAddr->text(), QStringLiteral("12ab"));
    QCOMPARE(rig.platform.messageTexts(), QStringList{"Invalid address format!"});

    // Leaving the window is not leaving the field.
    w.txtAddr->setFocus(Qt::OtherFocusReason);
    rig.platform.messages.clear();
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(w.txtAddr, &away);
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestAddressInputs::pinCheck_data() {
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty") << "" << QStringList{"Invalid PIN code!"};
    QTest::newRow("one space") << " " << QStringList{};
    QTest::newRow("letters") << "abc" << QStringList{};
}

void TestAddressInputs::pinCheck() {
    QFETCH(QString, pin);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    w.SetConnectedState(true);
    w.txtPin->setText(pin);
    w.txtPin->setFocus(Qt::OtherFocusReason);
    w.txtName->setFocus(Qt::MouseFocusReason);
    QTEST(rig.platform.messageTexts(), "messages");
    QCOMPARE(w.txtPin->text(), pin);
}

void TestAddressInputs::roles_data() {
    // M / S: SelectMaster / SelectSlave; m / s: the user clicks OptMaster / OptSlave.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("master");
    QTest::newRow("master") << "M" << true;
    QTest::newRow("master twice") << "MM" << true;
    QTest::newRow("slave") << "S" << false;
    QTest::newRow("slave twice") << "SS" << false;
    QTest::newRow("master, then slave") << "MS" << false;
    QTest::newRow("slave, then master") << "SM" << true;
    QTest::newRow("clicks: slave, master") << "sm" << true;
    QTest::newRow("clicks: master twice") << "mm" << true;
    QTest::newRow("clicks: master, slave") << "ms" << false;
}

void TestAddressInputs::roles() {
    QFETCH(QString, steps);
    QFETCH(bool, master);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    w.SetConnectedState(true);
    w.txtAddr->setText(QStringLiteral("1234 56 78 9abc"));
    w.chkDiscoverable->setChecked(true);
    for (const QChar step : steps) {
        if (step == u'M')
            modProg::SelectMaster(w);
        else if (step == u'S')
            modProg::SelectSlave(w);
        else
            QTest::mouseClick(step == u'm' ? w.OptMaster : w.OptSlave, Qt::LeftButton, {},
                              QPoint(6, 8));
    }
    QCOMPARE(w.OptMaster->isChecked(), master);
    QCOMPARE(w.OptSlave->isChecked(), !master);
    QCOMPARE(w.chkMaster->isChecked(), master);
    QCOMPARE(w.txtAddr->isEnabled(), master);
    QCOMPARE(w.chkDiscoverable->isEnabled(), !master);
    // The roles never touch the address text or the discoverable check.
    QCOMPARE(w.txtAddr->text(), QStringLiteral("1234 56 78 9abc"));
    QVERIFY(w.chkDiscoverable->isChecked());
}

void TestAddressInputs::pinRequestClick_data() {
    QTest::addColumn<bool>("checkedBefore");
    QTest::addColumn<bool>("connected");
    QTest::newRow("checked to unchecked") << true << true;
    QTest::newRow("unchecked to checked") << false << true;
    QTest::newRow("the rule ignores the connection") << false << false;
}

void TestAddressInputs::pinRequestClick() {
    QFETCH(bool, checkedBefore);
    QFETCH(bool, connected);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    w.SetConnectedState(true);
    w.chkPIN->setChecked(checkedBefore);
    w.txtPin->setText(QStringLiteral("1234"));
    w.txtPin->setEnabled(checkedBefore);
    if (connected) {
        QTest::mouseClick(w.chkPIN, Qt::LeftButton, {}, QPoint(6, 8));
    } else {
        w.SetConnectedState(false);
        w.chkPIN->setChecked(!checkedBefore); // what a click would have done
        w.chkPIN_Click();
    }
    QCOMPARE(w.chkPIN->isChecked(), !checkedBefore);
    QCOMPARE(w.txtPin->isEnabled(), !checkedBefore);
    QCOMPARE(w.txtPin->text(), QStringLiteral("1234"));
}

QTEST_MAIN(TestAddressInputs)
#include "test_addressinputs.moc"
