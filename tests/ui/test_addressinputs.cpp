#include "WindowRig.h"
#include "modProg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace tavixat;
using namespace tavixat::test;

// The role options, the PIN request, and the address and PIN boxes.
class TestAddressInputs : public QObject {
    Q_OBJECT

private slots:
    void keyFilter_data();
    void keyFilter();
    void editingKeysKeepTheirMeaning();
    void checksOnLeaving_data();
    void checksOnLeaving();
    void roles_data();
    void roles();
    void pinRequestClick_data();
    void pinRequestClick();
};

void TestAddressInputs::keyFilter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits and hex letters, both cases") << "09afAF"
                                                        << "09afAF";
    QTest::newRow("space") << "00 0"
                           << "00 0";
    QTest::newRow("neighbours of the ranges") << "/:@G`g"
                                              << "";
    QTest::newRow("x and minus") << "x-"
                                 << "";
    QTest::newRow("colons left out") << "00:1a:2B"
                                     << "001a2B";
    QTest::newRow("backspace") << "AB\b"
                               << "A";
    QTest::newRow("above 127") << QString::fromUtf8("1é2ß3\uFF41") << "123";
    QTest::newRow("control characters") << QString("1\x01\r\x1b\x16"
                                                   "2")
                                        << "12";
}

void TestAddressInputs::keyFilter() {
    QFETCH(QString, typed);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    modProg::SelectMaster(w);
    w.txtAddr->clear();
    // Each character as the keyboard sends it; QTest's own helpers only know Latin-1.
    for (const QChar c : typed) {
        QKeyEvent key(QEvent::KeyPress, c == u'\b' ? Qt::Key_Backspace : Qt::Key_unknown,
                      Qt::NoModifier, c);
        QApplication::sendEvent(w.txtAddr, &key);
    }
    QTEST(w.txtAddr->text(), "shown");
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestAddressInputs::editingKeysKeepTheirMeaning() {
    WindowRig rig;
    frmMain& w = rig.buildShown();
    modProg::SelectMaster(w);
    w.txtAddr->setText(QStringLiteral("1234"));
    QTest::keyClick(w.txtAddr, Qt::Key_Home);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(w.txtAddr, &del);
    QTest::keyClick(w.txtAddr, Qt::Key_Right);
    QTest::keyClicks(w.txtAddr, "f");
    QCOMPARE(w.txtAddr->text(), QStringLiteral("2f34"));
    QTest::keyClick(w.txtAddr, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(w.txtAddr->selectedText(), QStringLiteral("2f34"));
}

void TestAddressInputs::checksOnLeaving_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("message");

    const QString bad = "Invalid address format!", none;
    QTest::newRow("design-time address") << "txtAddr"
                                         << "0000 00 00 0000"
                                         << "0000 00 00 0000" << none;
    QTest::newRow("lowered") << "txtAddr"
                             << "ABCD EF 01 2345"
                             << "abcd ef 01 2345" << none;
    QTest::newRow("a further space") << "txtAddr"
                                     << "0000 00 00 00 0"
                                     << "0000 00 00 00 0" << none;
    QTest::newRow("short, lowered anyway") << "txtAddr"
                                           << "AB"
                                           << "ab" << bad;
    QTest::newRow("empty address") << "txtAddr"
                                   << ""
                                   << "" << bad;
    QTest::newRow("14 characters") << "txtAddr"
                                   << "0000 00 00 000"
                                   << "0000 00 00 000" << bad;
    QTest::newRow("digit at 8") << "txtAddr"
                                << "0000 00000 0000"
                                << "0000 00000 0000" << bad;
    QTest::newRow("no spaces, one message") << "txtAddr"
                                            << "000000000000000"
                                            << "000000000000000" << bad;
    QTest::newRow("empty PIN") << "txtPin"
                               << ""
                               << ""
                               << "Invalid PIN code!";
    QTest::newRow("PIN of one space") << "txtPin"
                                      << " "
                                      << " " << none;
}

void TestAddressInputs::checksOnLeaving() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    w.SetConnectedState(true);
    modProg::SelectMaster(w);
    auto* edit = w.findChild<QLineEdit*>(field);
    edit->setText(text);
    edit->setFocus(Qt::OtherFocusReason);

    // Leaving the window is not leaving the field.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit, &away);
    QVERIFY(rig.platform.messages.isEmpty());

    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!edit->hasFocus());
    QTEST(edit->text(), "after");
    QCOMPARE(rig.platform.messageTexts(), message.isEmpty() ? QStringList{} : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Error);
}

void TestAddressInputs::roles_data() {
    // M / S: SelectMaster / SelectSlave; m / s: the user clicks OptMaster / OptSlave.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("master");
    QTest::newRow("master") << "M" << true;
    QTest::newRow("master twice") << "MM" << true;
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
        if (step == u'M' || step == u'S')
            step == u'M' ? modProg::SelectMaster(w) : modProg::SelectSlave(w);
        else
            QTest::mouseClick(step == u'm' ? w.OptMaster : w.OptSlave, Qt::LeftButton);
    }
    QCOMPARE(w.OptMaster->isChecked(), master);
    QCOMPARE(w.OptSlave->isChecked(), !master);
    QCOMPARE(w.chkMaster->isChecked(), master);
    QCOMPARE(w.txtAddr->isEnabled(), master);
    QCOMPARE(w.chkDiscoverable->isEnabled(), !master);
    // The role never touches the address text or the discoverable check.
    QCOMPARE(w.txtAddr->text(), QStringLiteral("1234 56 78 9abc"));
    QVERIFY(w.chkDiscoverable->isChecked());
}

void TestAddressInputs::pinRequestClick_data() {
    QTest::addColumn<bool>("checkedBefore");
    QTest::newRow("checked to unchecked") << true;
    QTest::newRow("unchecked to checked") << false;
}

void TestAddressInputs::pinRequestClick() {
    QFETCH(bool, checkedBefore);
    WindowRig rig;
    frmMain& w = rig.buildShown();
    w.chkPIN->setChecked(checkedBefore);
    w.SetConnectedState(true);
    w.txtPin->setText(QStringLiteral("1234"));
    QTest::mouseClick(w.chkPIN, Qt::LeftButton);
    QCOMPARE(w.chkPIN->isChecked(), !checkedBefore);
    QCOMPARE(w.txtPin->isEnabled(), !checkedBefore);
    QCOMPARE(w.txtPin->text(), QStringLiteral("1234"));
}

QTEST_MAIN(TestAddressInputs)
#include "test_addressinputs.moc"
