#include "DeviceModel.h"

#include <QTest>

using namespace tavixat::sim;

namespace {

// One write of the tool: its bytes, when, and the RTS line (-1: a line without RTS).
struct Write {
    QByteArray bytes;
    qint64 atMs = 0;
    int rts = 1;
};
using Writes = QList<Write>;

struct Session {
    QList<QByteArray> commands;
    // Each chunk of output as "time bytes".
    QStringList output;
    QByteArray bytes; // all output, joined
    qint64 hangUpAt = -1;
};

Session run(DeviceModel& model, const Writes& writes) {
    Session session;
    for (const Write& w : writes) {
        const std::optional<bool> rts = w.rts < 0 ? std::nullopt : std::optional<bool>(w.rts == 1);
        const ModelOutput out = model.receive(w.bytes, w.atMs, rts);
        for (const HeardCommand& c : out.commands)
            session.commands << c.text;
        for (const OutputChunk& chunk : out.chunks) {
            session.bytes += chunk.bytes;
            session.output << QString::number(chunk.atMs) + u' ' + QString::fromLatin1(chunk.bytes);
        }
    }
    session.hangUpAt = model.hangUpTime().value_or(-1);
    return session;
}

Writes at0(std::initializer_list<QByteArray> parts) {
    Writes writes;
    for (const QByteArray& p : parts)
        writes << Write{p, 0, 1};
    return writes;
}

} // namespace

Q_DECLARE_METATYPE(Writes)
Q_DECLARE_METATYPE(tavixat::sim::DeviceFaults)
Q_DECLARE_METATYPE(tavixat::sim::DeviceSettings)

// The simulated device: how it reads commands, what it keeps, and each way it can misbehave.
class TestDeviceModel : public QObject {
    Q_OBJECT

private slots:
    void commandsFromTheStream_data();
    void commandsFromTheStream();
    void queryShowsWhatWasSet_data();
    void queryShowsWhatWasSet();
    void faults_data();
    void faults();
};

void TestDeviceModel::commandsFromTheStream_data() {
    QTest::addColumn<Writes>("writes");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QString>("output");

    const QString ready = QStringLiteral("[READY]\r\n");
    using Commands = QList<QByteArray>;
    QTest::newRow("one write") << at0({"<PING>"}) << Commands{"<PING>"} << ready;
    QTest::newRow("split over three writes")
        << at0({"<PI", "N", "G>"}) << Commands{"<PING>"} << ready;
    QTest::newRow("back to back") << at0({"<PING><VERS>"}) << Commands{"<PING>", "<VERS>"}
                                  << ready + "[v2.0]\r\n";
    QTest::newRow("line noise around commands")
        << at0({QByteArray("\r\n\0\xff><PING>zz", 13), "\n<VERS>"}) << Commands{"<PING>", "<VERS>"}
        << ready + "[v2.0]\r\n";
    QTest::newRow("an opening bracket restarts")
        << at0({"<PI<PING>"}) << Commands{"<PING>"} << ready;
    QTest::newRow("unknown keyword") << at0({"<HELLO>"}) << Commands{"<HELLO>"} << "";
    QTest::newRow("over-long command dropped, the next one heard")
        << at0({"<NAME=" + QByteArray(300, 'a') + ">", "<PING>"}) << Commands{"<PING>"} << ready;
    QTest::newRow("exit gets no reply") << at0({"<EXIT>"}) << Commands{"<EXIT>"} << "";
}

void TestDeviceModel::commandsFromTheStream() {
    QFETCH(Writes, writes);
    DeviceModel model;
    const Session session = run(model, writes);
    QTEST(session.commands, "commands");
    QTEST(QString::fromLatin1(session.bytes), "output");
}

void TestDeviceModel::queryShowsWhatWasSet_data() {
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<int>("acknowledgements");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("master, invisible, no pin request")
        << QByteArray("<NAME=Pump 7><PKEY=0042><BAUD=115200><SBIT=2><PRTY=E><MASTER>"
                      "<ADDR=0123 45 67 89ab><INVISIBLE><PIN_OFF>")
        << 9 << QStringList{"Pump 7", "0042",      "115200",          "2",
                            "E",      "MASTER",    "0123 45 67 89ab", "00ba 5e 12 3456",
                            "SPP",    "INVISIBLE", "PIN_OFF",         "v2.0"};
    QTest::newRow("values stored as sent, unchecked")
        << QByteArray("<BAUD=fast><SBIT= 1><NAME=a=b>") << 3
        << QStringList{"a=b", "1234",         "fast",   " 1",  "N", "SLAVE", "", "00ba 5e 12 3456",
                       "SPP", "DISCOVERABLE", "PIN_ON", "v2.0"};
}

void TestDeviceModel::queryShowsWhatWasSet() {
    QFETCH(QByteArray, commands);
    QFETCH(int, acknowledgements);
    QFETCH(QStringList, fields);
    DeviceModel model;
    const Session set = run(model, at0({commands}));
    QCOMPARE(set.bytes.count("[OK]"), acknowledgements);

    const Session query = run(model, {{"<QUERY>", 1000, 1}});
    QString expected = QStringLiteral("1000 ");
    for (const QString& f : fields)
        expected += u'[' + f + u']';
    QCOMPARE(query.output, QStringList{expected + "\r\n"});
}

void TestDeviceModel::faults_data() {
    QTest::addColumn<DeviceFaults>("faults");
    QTest::addColumn<DeviceSettings>("settings");
    QTest::addColumn<Writes>("writes");
    QTest::addColumn<QStringList>("output");
    QTest::addColumn<qint64>("hangUpAt");

    const DeviceSettings plain;
    const Writes threePings{{"<PING>", 0}, {"<PING>", 500}, {"<PING>", 1000}};
    const QString ready = QStringLiteral(" [READY]\r\n");
    auto readyAt = [&](qint64 t) { return QString::number(t) + ready; };
    DeviceFaults f;

    QTest::newRow("healthy") << f << plain << threePings
                             << QStringList{readyAt(0), readyAt(500), readyAt(1000)} << -1LL;
    f = {};
    f.silent = true;
    QTest::newRow("silent") << f << plain << threePings << QStringList{} << -1LL;
    f = {};
    f.answerPingFrom = 3;
    QTest::newRow("pings answered from the third")
        << f << plain << threePings << QStringList{readyAt(1000)} << -1LL;
    f = {};
    f.answerOnlyWithRts = false;
    QTest::newRow("only with rts de-asserted")
        << f << plain << Writes{{"<PING>", 0, 1}, {"<PING>", 500, 0}, {"<VERS>", 600, 0}}
        << QStringList{readyAt(500), "600 [v2.0]\r\n"} << -1LL;
    f.answerOnlyWithRts = true;
    QTest::newRow("only with rts asserted")
        << f << plain << Writes{{"<PING>", 0, 0}, {"<PING>", 500, 1}} << QStringList{readyAt(500)}
        << -1LL;
    QTest::newRow("a line without rts ignores the rts fault")
        << f << plain << Writes{{"<PING>", 0, -1}} << QStringList{readyAt(0)} << -1LL;
    f = {};
    DeviceSettings old;
    old.firmware = QStringLiteral("v1.5");
    QTest::newRow("chosen firmware")
        << f << old << Writes{{"<VERS>", 0}} << QStringList{"0 [v1.5]\r\n"} << -1LL;
    f.omitVersion = true;
    QTest::newRow("no version field") << f << plain << Writes{{"<VERS>", 0}, {"<PING>", 100}}
                                      << QStringList{readyAt(100)} << -1LL;
    f = {};
    f.latencyMs = 250;
    QTest::newRow("latency") << f << plain << Writes{{"<PING>", 100}} << QStringList{readyAt(350)}
                             << -1LL;
    f = {};
    f.lowerCaseAcks = true;
    QTest::newRow("lower-case acknowledgements")
        << f << plain << Writes{{"<PING>", 0}, {"<SLAVE>", 100}, {"<VERS>", 200}}
        << QStringList{"0 [ready]\r\n", "100 [ok]\r\n", "200 [v2.0]\r\n"} << -1LL;
    f = {};
    f.queryFieldLimit = 2;
    QTest::newRow("query cut short")
        << f << plain << Writes{{"<QUERY>", 0}} << QStringList{"0 [TavixAT][1234]\r\n"} << -1LL;
    f = {};
    f.queryFieldLimit = 3;
    f.fieldIntervalMs = 100;
    QTest::newRow("fields spread over time")
        << f << plain << Writes{{"<QUERY>", 0}}
        << QStringList{"0 [TavixAT]", "100 [1234]", "200 [9600]\r\n"} << -1LL;
    QTest::newRow("a reply waits for the one before")
        << f << plain << Writes{{"<QUERY>", 0}, {"<PING>", 50}}
        << QStringList{"0 [TavixAT]", "100 [1234]", "200 [9600]\r\n", readyAt(200)} << -1LL;
    f.fieldIntervalMs = 0;
    f.noise = "\r\n#";
    QTest::newRow("noise between fields")
        << f << plain << Writes{{"<QUERY>", 0}, {"<PING>", 10}}
        << QStringList{"0 [TavixAT]\r\n#[1234]\r\n#[9600]\r\n", readyAt(10)} << -1LL;
    f = {};
    f.stopAfterCommands = 2;
    QTest::newRow("stops after two commands")
        << f << plain << threePings << QStringList{readyAt(0), readyAt(500)} << -1LL;
    f = {};
    f.stopAfterMs = 1000;
    QTest::newRow("stops at a time") << f << plain << Writes{{"<PING>", 999}, {"<PING>", 1000}}
                                     << QStringList{readyAt(999)} << -1LL;
    f.fieldIntervalMs = 100;
    f.queryFieldLimit = 4;
    QTest::newRow("stops in the middle of a reply")
        << f << plain << Writes{{"<QUERY>", 850}} << QStringList{"850 [TavixAT]", "950 [1234]"}
        << -1LL;
    f = {};
    f.hangUpAfterCommands = 2;
    QTest::newRow("hangs up at the third command")
        << f << plain << threePings << QStringList{readyAt(0), readyAt(500)} << 1000LL;
    f = {};
    f.hangUpAfterMs = 700;
    QTest::newRow("hangs up at a time")
        << f << plain << threePings << QStringList{readyAt(0), readyAt(500)} << 700LL;
    f.latencyMs = 200;
    QTest::newRow("a reply due after the hang-up is lost")
        << f << plain << Writes{{"<PING>", 400}, {"<PING>", 550}} << QStringList{readyAt(600)}
        << 700LL;
    f = {};
    f.byteIntervalMs = 10;
    QTest::newRow("one byte at a time")
        << f << plain << Writes{{"<PING>", 0}, {"<PING>", 30}}
        << QStringList{"0 [",   "10 R",  "20 E",  "30 A",  "40 D",   "50 Y",
                       "60 ]",  "70 \r", "80 \n", "90 [",  "100 R",  "110 E",
                       "120 A", "130 D", "140 Y", "150 ]", "160 \r", "170 \n"}
        << -1LL;
    f = {};
    f.runawayFieldBytes = 20;
    QTest::newRow("a field that never ends")
        << f << plain << Writes{{"<QUERY>", 0}, {"<PING>", 5}}
        << QStringList{"0 [0123456789abcdef0123", readyAt(5)} << -1LL;
    f = {};
    f.hangUpAfterBytes = 13;
    QTest::newRow("hangs up in the middle of a reply")
        << f << plain << Writes{{"<PING>", 0}, {"<QUERY>", 100}, {"<PING>", 200}}
        << QStringList{readyAt(0), "100 [Tav"} << 100LL;
    f.byteIntervalMs = 10;
    f.hangUpAfterBytes = 3;
    QTest::newRow("hangs up after the last byte let out")
        << f << plain << Writes{{"<PING>", 0}} << QStringList{"0 [", "10 R", "20 E"} << 20LL;
}

void TestDeviceModel::faults() {
    QFETCH(DeviceFaults, faults);
    QFETCH(DeviceSettings, settings);
    QFETCH(Writes, writes);
    DeviceModel model(settings, faults);
    const Session session = run(model, writes);
    QTEST(session.output, "output");
    QTEST(session.hangUpAt, "hangUpAt");
}

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "test_devicemodel.moc"
