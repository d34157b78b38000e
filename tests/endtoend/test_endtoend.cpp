#include "EndToEndRig.h"

#include <QLineEdit>
#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

// The whole tool against the simulated device, in real time: the settings the user saves reach
// the device through the Qt serial port and a pseudo-terminal, and come back on the next connect.
class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void savedSettingsComeBack_data();
    void savedSettingsComeBack();
};

void TestEndToEnd::savedSettingsComeBack_data() {
    QTest::addColumn<QString>("edited"); // shaped as EndToEndRig::shownSettings()

    QTest::newRow("slave, fast line, invisible, no PIN request")
        << "Kitchen|0042|115200|2|Even|Slave|0000 00 00 0000|00ba 5e 12 3456|v2.0|invisible|"
           "no PIN request";
    QTest::newRow("master with its peer")
        << "Pump 7|1234|9600|1|Odd|Master|0123 45 67 89ab|00ba 5e 12 3456|v2.0|discoverable|"
           "PIN request";
}

void TestEndToEnd::savedSettingsComeBack() {
    QFETCH(QString, edited);
    // Paced like the 9600-baud line it stands for, as the run script starts it.
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--pace")}));
    EndToEndRig rig;
    rig.connectTo(sim.linePath());
    QCOMPARE(rig.state(), connectedState());
    QCOMPARE(rig.shownSettings(), kFreshDevice);

    rig.editSettings(edited);
    rig.form.cmdWrite_Click();
    rig.form.cmdConnect_Click(); // Disconnect
    QCOMPARE(rig.state(), disconnectedState());
    rig.form.txtName->clear();
    rig.connectTo(sim.linePath());

    QCOMPARE(rig.state(), connectedState());
    QCOMPARE(rig.shownSettings(), edited);
    QCOMPARE(rig.platform.messages, QStringList{"Settings saved!"});
    // Written just before the port closed, and still on the line.
    QTRY_VERIFY(sim.heardCommands().contains("<EXIT>"));
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
