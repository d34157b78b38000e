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
    void versionRequest_data();
    void versionRequest();
    void settingsQuery_data();
    void settingsQuery();
    void queryFieldsByName();
    void closingNoticeAwaitsNothing();
};

void TestExchanges::acknowledged_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("sleeps");

    sim::DeviceFaults lowerCase;
    lowerCase.lowerCaseAcks = true;
    QTest::newRow("ping answered")
        << sim::DeviceFaults{} << command::Ping << reply::Ready << true << 1;
    QTest::newRow("setting acknowledged")
        << sim::DeviceFaults{} << command::baudRate("19200") << reply::Ok << true << 1;
    QTest::newRow("lower-case ready fails")
        << lowerCase << command::Ping << reply::Ready << false << 5;
    QTest::newRow("lower-case ok fails")
        << lowerCase << command::name("x") << reply::Ok << false << 5;
    QTest::newRow("ack just before the fourth read")
        << withLatency(400) << command::Ping << reply::Ready << true << 4;
    QTest::newRow("ack after the fourth read")
        << withLatency(401) << command::Ping << reply::Ready << false << 5;
    QTest::newRow("command the device does not know")
        << sim::DeviceFaults{} << QStringLiteral("<BEEP>") << reply::Ok << false << 5;
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

void TestExchanges::versionRequest_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QByteArray>("waiting");
    QTest::addColumn<QString>("version");

    sim::DeviceFaults noVersion;
    noVersion.omitVersion = true;
    const QByteArray nothing;
    QTest::newRow("at once") << sim::DeviceFaults{} << "v2.0" << nothing << "v2.0";
    QTest::newRow("just in time") << withLatency(100) << "v2.0" << nothing << "v2.0";
    QTest::newRow("after its read") << withLatency(101) << "v2.0" << nothing << "";
    QTest::newRow("no version field") << noVersion << "v2.0" << nothing << "";
    QTest::newRow("a late ready is taken as the version")
        << sim::DeviceFaults{} << "v2.0" << QByteArray("[READY]\r\n") << "READY";
}

void TestExchanges::versionRequest() {
    QFETCH(sim::DeviceFaults, faults);
    QFETCH(QString, firmware);
    QFETCH(QByteArray, waiting);
    sim::DeviceSettings settings;
    settings.firmware = firmware;
    Rig rig(faults, settings);
    rig.port.feedNow(waiting);
    QTEST(exchange::requestVersion(rig.comm, rig.platform), "version");
    QCOMPARE(rig.port.written(), QByteArray("<VERS>"));
    QCOMPARE(rig.platform.sleeps, QList<int>{exchange::kVersionPauseMs});
    QCOMPARE(rig.port.reads, 1);
}

void TestExchanges::settingsQuery_data() {
    QTest::addColumn<sim::DeviceFaults>("faults");
    QTest::addColumn<int>("readMs");
    QTest::addColumn<QByteArray>("waiting");
    QTest::addColumn<QStringList>("fields");

    const QByteArray nothing;
    QTest::newRow("all twelve") << sim::DeviceFaults{} << 0 << nothing << kDefaultFields;
    QTest::newRow("input waiting before the query is flushed")
        << sim::DeviceFaults{} << 0 << QByteArray("[READY][OK]") << kDefaultFields;
    QTest::newRow("just in time") << withLatency(400) << 0 << nothing << kDefaultFields;
    QTest::newRow("too late") << withLatency(401) << 0 << nothing << QStringList(12, QString());

    sim::DeviceFaults eight;
    eight.queryFieldLimit = 8;
    QTest::newRow("only eight fields")
        << eight << 0 << nothing << fieldsWithGaps({0, 1, 2, 3, 4, 5, 6, 7, -1, -1, -1, -1});

    sim::DeviceFaults noisy;
    noisy.noise = "\r\n\x01garbage ";
    QTest::newRow("noise outside brackets") << noisy << 0 << nothing << kDefaultFields;

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

void TestExchanges::queryFieldsByName() {
    sim::DeviceSettings settings;
    settings.role = reply::Master;
    settings.pinMode = reply::PinOff;
    Rig rig({}, settings);
    const QStringList fields = exchange::querySettings(rig.comm, rig.platform);
    QCOMPARE(queryField(fields, QueryField::Role), reply::Master);
    QCOMPARE(queryField(fields, QueryField::OwnAddress), settings.ownAddress);
    QCOMPARE(queryField(fields, QueryField::PinMode), reply::PinOff);
    QCOMPARE(queryField(fields, QueryField::FirmwareVersion), settings.firmware);
}

void TestExchanges::closingNoticeAwaitsNothing() {
    Rig rig;
    exchange::sendClosingNotice(rig.comm);
    QCOMPARE(rig.port.written(), QByteArray("<EXIT>"));
    QCOMPARE(rig.port.reads, 0);
    QVERIFY(rig.platform.sleeps.isEmpty());
}

QTEST_GUILESS_MAIN(TestExchanges)
#include "test_exchanges.moc"
