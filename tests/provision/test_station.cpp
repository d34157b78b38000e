// A production station on the virtual clock: a jig of simulated modules behind a fake port, the
// run's record a report in a temporary folder. How soon a module is noticed, and when one is
// taken for gone, without waiting real seconds.
#include "CsvProductionRecord.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "Jig.h"
#include "Jigs.h"
#include "KitWork.h"
#include "ProvisionRun.h"
#include "StationWork.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tavixat;

class TestStation : public QObject {
    Q_OBJECT
private slots:
    void modules_data();
    void modules();
};

void TestStation::modules_data() {
    QTest::addColumn<QString>("jig");      // ADDR:PRESENT_MS:ABSENT_MS,...
    QTest::addColumn<QString>("slaveJig"); // a kit's Slave jig, the first its Master's; or none
    QTest::addColumn<int>("lostPing");     // the ping whose answer is lost; 0: none
    QTest::addColumn<QStringList>("rows"); // "own address result", in order
    // From the last module's seating to the connect's <VERS>.
    QTest::addColumn<int>("noticedMs");
    QTest::newRow("seated in an empty jig: noticed by the quick pings")
        << "00000000a101:1000:4000,00000000a102:2000:60000" << QString() << 0
        << QStringList{"00000000a101 ok", "00000000a102 ok"} << 250;
    QTest::newRow("a lost answer while seated: not taken again")
        << "00000000a101:4000:4000,00000000a102:2000:60000" << QString() << 3
        << QStringList{"00000000a101 ok", "00000000a102 ok"} << 250;
    QTest::newRow("swapped between two pings: the next ping sees it")
        << "00000000a101:1500:0,00000000a102:2000:60000" << QString() << 0
        << QStringList{"00000000a101 ok", "00000000a102 ok"} << 250;
    QTest::newRow("a kit is taken once both jigs hold a module, not half of it before")
        << "00000000a101:60000:0"
        << "-:8000:0,00000000a201:60000:0" << 0 << QStringList{"00000000a101 ok", "00000000a201 ok"}
        << 500;
}

void TestStation::modules() {
    QFETCH(QString, jig);
    QFETCH(QString, slaveJig);
    QFETCH(int, lostPing);
    QFETCH(QStringList, rows);
    QTemporaryDir dir;
    test::FakePlatform platform;
    test::FakeSerialPort ports[2]{test::FakeSerialPort{platform.clock},
                                  test::FakeSerialPort{platform.clock}};
    test::FakeSerialPort& port = ports[0];
    QString error;
    sim::DeviceFaults faults;
    faults.lostPing = lostPing > 0 ? std::optional(lostPing) : std::nullopt;
    std::vector<sim::Jig> jigs;
    for (const QString& seats : {jig, slaveJig.isEmpty() ? jig : slaveJig})
        jigs.emplace_back(sim::DeviceSettings{}, faults, *sim::parseJigSlots(seats, error));
    for (int k : {0, 1})
        ports[k].onWrite = [&, k](const QByteArray& bytes) {
            for (const auto& chunk :
                 jigs[k].receive(bytes, platform.now(), ports[k].rtsEnable()).chunks)
                ports[k].feed(chunk.bytes, chunk.atMs);
        };
    ProvisionRequest request;
    request.pairs = !slaveJig.isEmpty();
    request.count = int(rows.size()) / (request.pairs ? 2 : 1);
    auto record = CsvProductionRecord::open(dir.filePath("report.csv"), 1, error);
    QVERIFY2(record, qPrintable(error));
    ProvisionRun run(request, *Profile::fromSettings({{"name", "Unit-{n}"}}, 9, false, error),
                     *record, platform);
    const StationPlace place{0, "jig", dir.filePath("jig")}, slave{1, "slave", dir.filePath("s")};
    run.addStation(place.name);
    if (request.pairs)
        run.addStation(slave.name), KitWork(run, place, slave, platform, ports[0], ports[1]).work();
    else
        StationWork(run, place, platform, port).work(); // until the count is made

    QStringList seen;
    for (const QStringList& row : csvRows(readFile(dir.filePath("report.csv"))).mid(1))
        seen << row[4] + ' ' + row[8];
    QCOMPARE(seen, rows);
    qint64 lastSeated = 0; // of the last row's module
    for (const QString& seats : {jig, slaveJig})
        for (qint64 start = 0; const QString& slot : seats.split(',', Qt::SkipEmptyParts)) {
            if (slot.section(':', 0, 0) == rows.last().section(' ', 0, 0))
                lastSeated = start;
            start += slot.section(':', 1, 1).toLongLong() + slot.section(':', 2, 2).toLongLong();
        }
    const auto version = std::find_if(port.writes.begin(), port.writes.end(), [&](const auto& w) {
        return w.bytes == "<VERS>" && w.at >= lastSeated;
    });
    QVERIFY2(version != port.writes.end(), "the last module was never connected");
    const qint64 versionAt = version->at;
    QFETCH(int, noticedMs);
    QVERIFY2(versionAt - lastSeated <= noticedMs,
             qPrintable(QString::number(versionAt - lastSeated)));
}

QTEST_GUILESS_MAIN(TestStation)
#include "test_station.moc"
