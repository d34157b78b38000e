// A production station on the virtual clock: a jig of simulated modules behind a fake port, the
// run's record a report in a temporary folder. How soon a module is noticed, and when one is
// taken for gone, without waiting real seconds.
#include "CsvProductionRecord.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "Jig.h"
#include "Jigs.h"
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
    QTest::addColumn<int>("lostPing");     // the ping whose answer is lost; 0: none
    QTest::addColumn<QStringList>("rows"); // "own address result", in order
    // From the last module's seating to the connect's <VERS>.
    QTest::addColumn<int>("noticedMs");
    QTest::newRow("seated in an empty jig: noticed by the quick pings")
        << "00000000a101:1000:4000,00000000a102:2000:60000" << 0
        << QStringList{"00000000a101 ok", "00000000a102 ok"} << 250;
    QTest::newRow("a lost answer while seated: not taken again")
        << "00000000a101:4000:4000,00000000a102:2000:60000" << 3
        << QStringList{"00000000a101 ok", "00000000a102 ok"} << 250;
    QTest::newRow("swapped between two pings: the next ping sees it")
        << "00000000a101:1500:0,00000000a102:2000:60000" << 0
        << QStringList{"00000000a101 ok", "00000000a102 ok"} << 250;
}

void TestStation::modules() {
    QFETCH(QString, jig);
    QFETCH(int, lostPing);
    QFETCH(QStringList, rows);
    QTemporaryDir dir;
    test::FakePlatform platform;
    test::FakeSerialPort port{platform.clock};
    QString error;
    sim::DeviceFaults faults;
    faults.lostPing = lostPing > 0 ? std::optional(lostPing) : std::nullopt;
    sim::Jig modules({}, faults, *sim::parseJigSlots(jig, error));
    port.onWrite = [&](const QByteArray& bytes) {
        for (const auto& chunk : modules.receive(bytes, platform.now(), port.rtsEnable()).chunks)
            port.feed(chunk.bytes, chunk.atMs);
    };
    ProvisionRequest request;
    request.count = int(rows.size());
    auto record = CsvProductionRecord::open(dir.filePath("report.csv"), 1, error);
    QVERIFY2(record, qPrintable(error));
    ProvisionRun run(request, *Profile::fromSettings({{"name", "Unit-{n}"}}, 9, false, error), *record,
                     platform);
    const StationPlace place{0, "jig", dir.filePath("jig")};
    run.addStation(place.name);
    StationWork(run, place, platform, port).work(); // until the count is made

    QStringList seen;
    for (const QStringList& row : csvRows(readFile(dir.filePath("report.csv"))).mid(1))
        seen << row[4] + ' ' + row[8];
    QCOMPARE(seen, rows);
    qint64 lastSeated = 0;
    for (const QString& slot : jig.split(',').mid(0, rows.size() - 1))
        lastSeated += slot.section(':', 1, 1).toLongLong() + slot.section(':', 2, 2).toLongLong();
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
