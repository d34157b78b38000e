#include "Commands.h"
#include "DeviceLink.h"
#include "Exchanges.h"
#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "QueryFields.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

Q_DECLARE_METATYPE(tavixat::sim::DeviceFaults)

namespace {

// A port whose every read takes time, as when the window is updated between reads.
class SlowReadingPort : public FakeSerialPort {
public:
    explicit SlowReadingPort(FakePlatform& platform)
        : FakeSerialPort(platform.clock), platform_(platform) {}
    int readMs = 0;
    QByteArray readInput() override {
        platform_.clock.advance(readMs);
        return FakeSerialPort::readInput();
    }

private:
    FakePlatform& platform_;
};

struct Rig {
    FakePlatform platform;
    SlowReadingPort port{platform};
    modComm comm{port, platform};
    DeviceLink device;

    explicit Rig(sim::DeviceFaults faults = {}, sim::DeviceSettings settings = {})
        : device(port, platform, std::move(settings), std::move(faults)) {
        comm.OpenPort(1);
    }
};

sim::DeviceFaults withLatency(int ms) {
    sim::DeviceFaults faults;
    faults.latencyMs = ms;
    return faults;
}

const QStringList kDefaultFields = sim::DeviceSettings{}.queryFields();

QStringList fieldsWithGaps(std::initializer_list<int> order) {
    // Index -1 is a read that found nothing.
    QStringList fields;
    for (const int i : order)
        fields << (i < 0 ? QString() : kDefaultFields.at(i));
    return fields;
}

} // namespace

// The four kinds of exchange against the device model, on the virtual clock.
class TestExchanges : public QObject {
    Q_OBJECT

private slots:
    void acknowledged_data();
    void acknowledged();
    void settingsQuery_data();
    void settingsQuery();
};

void TestExchanges::acknowledged_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("sleeps");

    sim::DeviceFaults lowerCase;
    lowerCase.lowerCaseAcks = true;
    QTest::newRow("lower-case ready fails")
        << lowerCase << command::Ping << reply::Ready << false << 5;
    QTest::newRow("lower-case ok fails")
        << lowerCase << command::name("x") << reply::Ok << false << 5;
    QTest::newRow("ack just before the fourth read")
        << withLatency(400) << command::Ping << reply::Ready << true << 4;
    QTest::newRow("ack after the fourth read")
        << withLatency(401) << command::Ping << reply::Ready << false << 5;
}

void TestExchanges::acknowledged() {
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(QString, command);
    QFETCH(QString, expected);
    QFETCH(int, sleeps);
    Rig rig(faults);
    QTEST(exchange::sendAcknowledged(rig.comm, command, expected), "result");
    QCOMPARE(rig.port.written(), command.toLatin1());
    QCOMPARE(rig.platform.sleeps, QList<int>(sleeps, modComm::kPollMilliseconds));
}

void TestExchanges::settingsQuery_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<int>("readMs");
    QTest::addColumn<QByteArray>("waiting");
    QTest::addColumn<QStringList>("fields");

    const QByteArray nothing;
    QTest::newRow("input waiting before the query is flushed")
        << sim::DeviceFaults{} << 0 << QByteArray("[READY][OK]") << kDefaultFields;

    sim::DeviceFaults eight;
    eight.queryFieldLimit = 8;
    QTest::newRow("only eight fields")
        << eight << 0 << nothing << fieldsWithGaps({0, 1, 2, 3, 4, 5, 6, 7, -1, -1, -1, -1});

    sim::DeviceFaults lastLate;
    lastLate.fieldIntervalMs = 40; // fields at 0, 40 ... 440 ms
    QTest::newRow("last field late, reads take no time")
        << lastLate << 0 << nothing << fieldsWithGaps({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1});

    sim::DeviceFaults slow;
    slow.fieldIntervalMs = 150; // fields at 0, 150, 300, 450, 600 ...; reads at 410, 420 ...
    QTest::newRow("a field completing during the reads shifts")
        << slow << 10 << nothing << fieldsWithGaps({0, 1, 2, -1, 3, -1, -1, -1, -1, -1, -1, -1});
}

void TestExchanges::settingsQuery() {
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(QByteArray, waiting);
    Rig rig(faults);
    rig.port.feedNow(waiting);
    QFETCH(int, readMs);
    rig.port.readMs = readMs;
    QTEST(exchange::querySettings(rig.comm, rig.platform), "fields");
    QCOMPARE(rig.port.written(), QByteArray("<QUERY>"));
    QCOMPARE(rig.platform.sleeps, QList<int>{exchange::kQueryPauseMs});
    QCOMPARE(rig.port.reads, kQueryFieldCount);
}

QTEST_GUILESS_MAIN(TestExchanges)
#include "test_exchanges.moc"
