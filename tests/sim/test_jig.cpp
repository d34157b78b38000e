// The simulator's jig on the virtual clock: which module is seated when, and what it answers.
#include "Air.h"
#include "Jig.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tavixat::sim;

class TestJig : public QObject {
    Q_OBJECT
private slots:
    void seatsModulesInTurn_data();
    void seatsModulesInTurn();
    void linksOverTheAir_data();
    void linksOverTheAir();
};

void TestJig::linksOverTheAir_data() {
    QTest::addColumn<QString>("slave");  // role, visibility and PIN code of the module it names
    QTest::addColumn<QString>("master"); // address and PIN code
    QTest::addColumn<QString>("said");   // the Master's line; then the Slave's, by "|"
    QTest::newRow("linked") << "SLAVE DISCOVERABLE 1111"
                            << "00AA 11 22 3344 1111"
                            << "linked to 00aa 11 22 3344|00bb 00 00 0001";
    QTest::newRow("no module there") << "SLAVE DISCOVERABLE 1111"
                                     << "0000 00 00 0009 1111"
                                     << "cannot link: no module has the address 0000 00 00 0009|";
    QTest::newRow("a Master") << "MASTER DISCOVERABLE 1111"
                              << "00aa 11 22 3344 1111"
                              << "cannot link: 00aa 11 22 3344 is not a Slave|";
    QTest::newRow("hidden") << "SLAVE INVISIBLE 1111"
                            << "00aa 11 22 3344 1111"
                            << "cannot link: 00aa 11 22 3344 is not discoverable|";
    QTest::newRow("another PIN") << "SLAVE DISCOVERABLE 1111"
                                 << "00aa 11 22 3344 2222"
                                 << "cannot link: the PIN code differs from that of 00aa 11 22 "
                                    "3344|";
}

void TestJig::linksOverTheAir() {
    QFETCH(QString, slave);
    QFETCH(QString, master);
    QTemporaryDir folder;
    const Air air(folder.path());
    DeviceSettings s, m;
    const QStringList slaveIs = slave.split(' ');
    s.ownAddress = "00aa 11 22 3344", s.role = slaveIs[0], s.visibility = slaveIs[1];
    s.pinCode = slaveIs[2], m.ownAddress = "00bb 00 00 0001", m.role = "MASTER";
    m.remoteAddress = master.section(' ', 0, -2), m.pinCode = master.section(' ', -1);
    QCOMPARE(air.announce(s).isEmpty(), s.role == "SLAVE"); // a Slave has no one to link to
    QString said = air.announce(m);
    said += '|' + air.takeLinksTo(s.ownAddress).join(',');
    QTEST(said, "said");
    QCOMPARE(air.takeLinksTo(s.ownAddress), QStringList()); // each note told once
}

void TestJig::seatsModulesInTurn_data() {
    QTest::addColumn<QString>("jig");
    QTest::addColumn<QString>("script"); // "ms COMMAND" joined by ";"
    // Per command: the module seated, "=", the reply's bytes; "!" when --jig is refused.
    QTest::addColumn<QString>("expected");

    // Every module answers 50 ms late and ignores its first ping.
    const QString two = QStringLiteral("AAAAAAAAAAAA:1000:500, bbbbbbbbbbbb:2000:0");
    QTest::newRow("in turn, first ping each")
        << two
        << "0 PING;10 PING;949 PING;950 PING;1000 PING;1499 PING;1500 PING;1510 PING;3500 PING"
        << "aaaaaaaaaaaa=;aaaaaaaaaaaa=[READY]\r\n;aaaaaaaaaaaa=[READY]\r\n;aaaaaaaaaaaa=;=;=;"
           "bbbbbbbbbbbb=;bbbbbbbbbbbb=[READY]\r\n;=";
    QTest::newRow("own address") << two << "1600 QUERY"
                                 << "bbbbbbbbbbbb=[TavixAT][1234][9600][1][N][SLAVE][][bbbb bb bb "
                                    "bbbb][SPP][DISCOVERABLE][PIN_ON][v2.0]\r\n";
    for (const char* bad :
         {"0001a1b2c3d:5:2", "0001a1b2c3d4e:5:2", "0001a1b2c3dg:5:2", "0001a1b2c3d4:0:2",
          "0001a1b2c3d4:5:-1", "0001a1b2c3d4:5", "a:1:2:3", "0001a1b2c3d4:1:2,"})
        QTest::newRow(bad) << bad << QString() << "!";
}

void TestJig::seatsModulesInTurn() {
    QFETCH(QString, jig);
    QFETCH(QString, script);
    QFETCH(QString, expected);

    QString error;
    const auto places = parseJigSlots(jig, error);
    QCOMPARE(error.isEmpty(), places.has_value());
    QCOMPARE(!places, expected == QLatin1String("!"));
    if (!places)
        return;
    DeviceFaults faults;
    faults.latencyMs = 50;
    faults.answerPingFrom = 2;
    Jig model({}, faults, *places);
    QStringList heard, sent; // the replies the model logs, and the bytes it puts on the line
    for (const QString& step : script.split(u';')) {
        const qint64 atMs = step.section(u' ', 0, 0).toLongLong();
        const ModelOutput out = model.receive('<' + step.section(u' ', 1).toLatin1() + '>', atMs);
        const QString seated = model.moduleAt(atMs) + u'=';
        heard << seated + QString::fromLatin1(out.commands.value(0).reply);
        sent << seated;
        for (const OutputChunk& chunk : out.chunks)
            sent.last() += QString::fromLatin1(chunk.bytes);
    }
    QCOMPARE(heard.join(u';'), expected);
    QCOMPARE(sent.join(u';'), expected);
    QVERIFY(!model.hangUpTime());
}

QTEST_GUILESS_MAIN(TestJig)
#include "test_jig.moc"
