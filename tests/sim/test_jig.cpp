// The simulator's jig on the virtual clock: which module is seated when, and what it answers.
#include "Jig.h"

#include <QTest>

using namespace tavixat::sim;

class TestJig : public QObject {
    Q_OBJECT
private slots:
    void seatsModulesInTurn_data();
    void seatsModulesInTurn();
};

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
