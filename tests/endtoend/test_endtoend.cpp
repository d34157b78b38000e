#include "EndToEndRig.h"
#include "SimProcess.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

namespace {

// Long enough for a lost line to reach the window through the event loop.
constexpr int kNoticeTimeoutMs = 3000;

const QStringList kConnectCommands{"<PING>", "<VERS>", "<QUERY>"};

} // namespace

// The whole tool against the simulated device, in real time: what the virtual-clock tests
// pretend of the port, the pseudo-terminal and the clock holds for the real ones.
class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void savedSettingsComeBack_data();
    void savedSettingsComeBack();
    void deviceGoneWhileConnected();
};

void TestEndToEnd::savedSettingsComeBack_data() {
    QTest::addColumn<QStringList>("edited"); // shaped as EndToEndRig::shownSettings()
    QTest::addColumn<QStringList>("saveCommands");

    QTest::newRow("slave, fast line, invisible, no PIN request")
        << QStringList{"Kitchen", "0042",      "115200",          "2",
                       "Even",    "Slave",     "0000 00 00 0000", "00ba 5e 12 3456",
                       "v2.0",    "invisible", "no PIN request"}
        << QStringList{"<NAME=Kitchen>", "<PKEY=0042>", "<BAUD=115200>", "<SBIT=2>",
                       "<PRTY=E>",       "<SLAVE>",     "<INVISIBLE>",   "<PIN_OFF>"};
    QTest::newRow("master with its peer") << QStringList{"Pump 7",
                                                         "1234",
                                                         "9600",
                                                         "1",
                                                         "Odd",
                                                         "Master",
                                                         "0123 45 67 89ab",
                                                         "00ba 5e 12 3456",
                                                         "v2.0",
                                                         "discoverable",
                                                         "PIN request"}
                                          << QStringList{"<NAME=Pump 7>",
                                                         "<PKEY=1234>",
                                                         "<BAUD=9600>",
                                                         "<SBIT=1>",
                                                         "<PRTY=O>",
                                                         "<MASTER>",
                                                         "<ADDR=0123 45 67 89ab>",
                                                         "<DISCOVERABLE>",
                                                         "<PIN_ON>"};
}

void TestEndToEnd::savedSettingsComeBack() {
    QFETCH(QStringList, edited);
    QFETCH(QStringList, saveCommands);
    SimProcess sim;
    QVERIFY(sim.start());
    EndToEndRig rig;

    rig.connectTo(sim.linePath());
    QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));
    QCOMPARE(rig.shownSettings(), freshDeviceSettings());

    rig.editSettings(edited);
    rig.form->cmdWrite_Click();
    QCOMPARE(rig.platform.messageTexts(), QStringList{"Settings saved!"});
    QCOMPARE(rig.platform.messages.first().icon, MessageIcon::Information);
    QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));

    rig.form->cmdConnect_Click(); // Disconnect
    QVERIFY2(rig.isDisconnected(), qPrintable(rig.describeState()));
    rig.form->txtName->clear();
    rig.connectTo(sim.linePath());
    QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));
    QCOMPARE(rig.shownSettings(), edited);

    // What the device heard: the save in order, and "<EXIT>" before the port closed.
    QTRY_COMPARE(sim.heardCommands(),
                 kConnectCommands + saveCommands + QStringList{"<EXIT>"} + kConnectCommands);
    QCOMPARE(rig.platform.messages.size(), 1);
}

void TestEndToEnd::deviceGoneWhileConnected() {
    SimProcess sim;
    QVERIFY(sim.start());
    EndToEndRig rig;
    EndToEndRig::pointComOneAt(sim.linePath());
    QTest::mouseClick(rig.form->cmdConnect, Qt::LeftButton);
    QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));

    sim.kill();

    QTRY_VERIFY_WITH_TIMEOUT(!rig.platform.messages.isEmpty(), kNoticeTimeoutMs);
    const RecordingPlatform::Message lost = rig.platform.messages.first();
    QVERIFY2(lost.text.startsWith("ERROR, Check COM1!\r\n" + sim.linePath()),
             qPrintable(lost.text));
    QCOMPARE(lost.icon, MessageIcon::Error);
    QVERIFY2(rig.isDisconnected(), qPrintable(rig.describeState()));

    // A fresh device on the same port name: Connect works again, and the loss stays told once.
    SimProcess healthy;
    QVERIFY(healthy.start());
    rig.connectTo(healthy.linePath());
    QVERIFY2(rig.isConnected(), qPrintable(rig.describeState()));
    QCOMPARE(rig.shownSettings(), freshDeviceSettings());
    QCOMPARE(rig.platform.messageTexts(), QStringList{lost.text});
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
