// The simulator's jig on the virtual clock: which module is seated when, and what it answers.
#include "Jig.h"

#include <QTest>

using namespace tavixat::sim;

class TestJig : public QObject {
    Q_OBJECT
private slots:
    void parsesSlotList_data();
    void parsesSlotList();
    void seatsModulesInTurn_data();
    void seatsModulesInTurn();
};

void TestJig::parsesSlotList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>(
        "expected"); // places as "addr/present/absent" joined by ","; "" = refused

    QTest::newRow("two, upper case lowered") << "0001A1B2C3D4:5000:2000, 0001a1b2c3d5:1:0"
                                             << "0001a1b2c3d4/5000/2000,0001a1b2c3d5/1/0";
    QTest::newRow("eleven digits") << "0001a1b2c3d:5000:2000"
                                   << "";
    QTest::newRow("thirteen digits") << "0001a1b2c3d4e:5000:2000"
                                     << "";
    QTest::newRow("not hexadecimal") << "0001a1b2c3dg:5000:2000"
                                     << "";
    QTest::newRow("never present") << "0001a1b2c3d4:0:2000"
                                   << "";
    QTest::newRow("negative absence") << "0001a1b2c3d4:10:-1"
                                      << "";
    QTest::newRow("time missing") << "0001a1b2c3d4:5000"
                                  << "";
    QTest::newRow("part too many") << "0001a1b2c3d4:1:2:3"
                                   << "";
    QTest::newRow("empty item") << "0001a1b2c3d4:1:2,"
                                << "";
}

void TestJig::parsesSlotList() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QString error;
    const std::optional<QList<JigSlot>> places = parseJigSlots(text, error);
    QStringList seen;
    for (const JigSlot& place : places.value_or(QList<JigSlot>{}))
        seen << QStringLiteral("%1/%2/%3")
                    .arg(place.address)
                    .arg(place.presentMs)
                    .arg(place.absentMs);
    QCOMPARE(seen.join(u','), expected);
    QCOMPARE(error.isEmpty(), places.has_value());
}

void TestJig::seatsModulesInTurn_data() {
    QTest::addColumn<QString>("script"); // "ms COMMAND" joined by ";"
    QTest::addColumn<int>("latencyMs");
    QTest::addColumn<int>("stopAfterCommands"); // -1: never
    // For each command: the module seated then, "=", the reply without its line end.
    QTest::addColumn<QString>("expected");

    // Jig: aaaaaaaaaaaa for 1000 ms, empty 500 ms, bbbbbbbbbbbb for 2000 ms, then empty.
    QTest::newRow("each in its time") << "0 PING;999 PING;1000 PING;1499 PING;1500 PING;3499 PING;"
                                         "3500 PING"
                                      << 0 << -1
                                      << "aaaaaaaaaaaa=[READY];aaaaaaaaaaaa=[READY];=;=;"
                                         "bbbbbbbbbbbb=[READY];bbbbbbbbbbbb=[READY];=";
    QTest::newRow("own address reported")
        << "1600 QUERY" << 0 << -1
        << "bbbbbbbbbbbb=[TavixAT][1234][9600][1][N][SLAVE][][bbbb bb bb bbbb][SPP]"
           "[DISCOVERABLE][PIN_ON][v2.0]";
    QTest::newRow("reply cut when taken out")
        << "899 PING;900 PING" << 100 << -1 << "aaaaaaaaaaaa=[READY];aaaaaaaaaaaa=";
    QTest::newRow("faults count from seating") << "0 PING;10 PING;1500 PING;1510 PING" << 0 << 1
                                               << "aaaaaaaaaaaa=[READY];aaaaaaaaaaaa=;"
                                                  "bbbbbbbbbbbb=[READY];bbbbbbbbbbbb=";
}

void TestJig::seatsModulesInTurn() {
    QFETCH(QString, script);
    QFETCH(int, latencyMs);
    QFETCH(int, stopAfterCommands);
    QFETCH(QString, expected);

    DeviceFaults faults;
    faults.latencyMs = latencyMs;
    if (stopAfterCommands >= 0)
        faults.stopAfterCommands = stopAfterCommands;
    Jig jig({}, faults, {{"aaaaaaaaaaaa", 1000, 500}, {"bbbbbbbbbbbb", 2000, 0}});
    QStringList seen;
    for (const QString& step : script.split(u';')) {
        const qint64 atMs = step.section(u' ', 0, 0).toLongLong();
        const ModelOutput out = jig.receive('<' + step.section(u' ', 1).toLatin1() + '>', atMs);
        QCOMPARE(out.commands.size(), 1);
        QByteArray reply;
        for (const OutputChunk& chunk : out.chunks)
            reply += chunk.bytes;
        QCOMPARE(out.commands[0].reply, reply);
        seen << jig.moduleAt(atMs) + u'=' +
                    QString::fromLatin1(reply).remove(QStringLiteral("\r\n"));
    }
    QCOMPARE(seen.join(u';'), expected);
    QVERIFY(!jig.hangUpTime());
}

QTEST_GUILESS_MAIN(TestJig)
#include "test_jig.moc"
