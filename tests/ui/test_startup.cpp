#include "StatusLamp.h"
#include "WindowRig.h"

#include <QComboBox>
#include <QPushButton>

using namespace tavixat;
using namespace tavixat::test;

// Loading the window, and closing it.
class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void storedPortIsSelected_data();
    void storedPortIsSelected();
    void closingClosesThePort_data();
    void closingClosesThePort();
};

void TestStartup::storedPortIsSelected_data() {
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");

    QTest::newRow("nothing stored") << false << ""
                                    << "COM1";
    QTest::newRow("12") << true << "12"
                        << "COM12";
    QTest::newRow("16, the last") << true << "16"
                                  << "COM16";
    QTest::newRow("1") << true << "1"
                       << "COM1";
    QTest::newRow("0 selects nothing") << true << "0"
                                       << "";
    QTest::newRow("leading zero") << true << "05"
                                  << "COM5";
    // Texts no version of this program stores fall back to COM1.
    QTest::newRow("not a number") << true << "abc"
                                  << "COM1";
    QTest::newRow("fraction") << true << "3.5"
                              << "COM1";
    QTest::newRow("past the list") << true << "17"
                                   << "COM1";
    QTest::newRow("far past the list") << true << "99"
                                       << "COM1";
    QTest::newRow("negative") << true << "-1"
                              << "COM1";
    QTest::newRow("leading blank") << true << " 5"
                                   << "COM1";
    QTest::newRow("empty") << true << ""
                           << "COM1";
    QTest::newRow("huge") << true << "99999999999999999999"
                          << "COM1";
}

void TestStartup::storedPortIsSelected() {
    QFETCH(bool, stored);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    WindowRig rig;
    if (stored)
        rig.platform.settings.insert(QStringLiteral("Properties/CommPort"), text);
    frmMain& w = rig.build();

    QCOMPARE(w.cboPort->currentText(), selected);
    if (selected.isEmpty())
        QCOMPARE(w.cboPort->currentIndex(), -1);
    else
        QCOMPARE(w.cboPort->itemText(w.cboPort->currentIndex()), selected);
    QCOMPARE(w.cboPort->count(), 16);
    // The rest of start-up does not depend on the selection: disconnected, nothing opened.
    QCOMPARE(w.cmdConnect->text(), QStringLiteral("Connect"));
    QCOMPARE(w.shpStatus->fillColor(), QColor(255, 0, 0));
    QVERIFY(!w.cmdWrite->isEnabled());
    QCOMPARE(rig.port.opens, 0);
    QVERIFY(rig.platform.messages.isEmpty());
}

void TestStartup::closingClosesThePort_data() {
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void TestStartup::closingClosesThePort() {
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

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
