#include "MemoryPort.h"
#include "NullPlatform.h"
#include "ProcStatus.h"
#include "ReaderWorkload.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::bench;

using Chunks = QList<qsizetype>;
using Reads = QList<QByteArray>;

// The probes behind the benchmark must measure what they claim: the reader driver gets back
// every field that was sent however the output is cut, and memory comes from the right line.
class TestBenchProbes : public QObject {
    Q_OBJECT

private slots:
    void readerGetsEveryField_data();
    void readerGetsEveryField();
    void portHandsOverPlannedChunks_data();
    void portHandsOverPlannedChunks();
    void residentKilobytes_data();
    void residentKilobytes();
};

void TestBenchProbes::readerGetsEveryField_data() {
    QTest::addColumn<qsizetype>("bytes");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<qsizetype>("maxChunk");

    QTest::newRow("byte by byte") << qsizetype(3000) << 1u << qsizetype(1);
    QTest::newRow("short reads") << qsizetype(20000) << 2u << qsizetype(7);
    // Long enough for the reader to move its buffer's unread part to the front many times.
    QTest::newRow("poll-sized reads") << qsizetype(200000) << 3u << kDefaultMaxChunk;
    QTest::newRow("everything in one read") << qsizetype(50000) << 4u << qsizetype(1 << 20);
}

void TestBenchProbes::readerGetsEveryField() {
    QFETCH(qsizetype, bytes);
    QFETCH(quint32, seed);
    QFETCH(qsizetype, maxChunk);

    const ReaderWorkload workload = makeReaderWorkload(bytes, seed, maxChunk);
    QVERIFY(workload.output.size() >= bytes);
    QVERIFY(!workload.fields.isEmpty());
    for (const QString& field : workload.fields)
        QVERIFY(!field.isEmpty() && !field.contains(u'[') && !field.contains(u']'));

    MemoryPort port(workload.output, workload.chunkSizes);
    NullPlatform platform;
    modComm comm(port, platform);
    QVERIFY(comm.OpenPort(1));
    const QStringList fields = readAllFields(comm, port);

    QCOMPARE(fields.size(), workload.fields.size());
    QCOMPARE(fields, workload.fields);
    QVERIFY(port.isDrained());
    QCOMPARE(comm.rxBuffer(), QString());
    QVERIFY(!comm.inField());
}

void TestBenchProbes::portHandsOverPlannedChunks_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<Chunks>("chunkSizes");
    QTest::addColumn<bool>("discardAfterFirst");
    QTest::addColumn<Reads>("reads");

    QTest::newRow("as planned, then nothing")
        << QByteArray("abcde") << Chunks{2, 3} << false << Reads{"ab", "cde", ""};
    QTest::newRow("past the plan the rest comes at once")
        << QByteArray("abcdefgh") << Chunks{3, 2} << false << Reads{"abc", "de", "fgh", ""};
    QTest::newRow("a chunk larger than what is left")
        << QByteArray("abc") << Chunks{2, 10} << false << Reads{"ab", "c", ""};
    QTest::newRow("an empty chunk still moves on")
        << QByteArray("abc") << Chunks{0, 0, 0} << false << Reads{"a", "b", "c", ""};
    QTest::newRow("discard drops the rest")
        << QByteArray("abcdef") << Chunks{2, 2, 2} << true << Reads{"ab", ""};
}

void TestBenchProbes::portHandsOverPlannedChunks() {
    QFETCH(QByteArray, output);
    QFETCH(Chunks, chunkSizes);
    QFETCH(bool, discardAfterFirst);
    QFETCH(Reads, reads);

    MemoryPort port(output, chunkSizes);
    Reads got;
    for (qsizetype i = 0; i < reads.size(); ++i) {
        got << port.readInput();
        if (i == 0 && discardAfterFirst)
            port.discardInput();
    }
    QCOMPARE(got, reads);
    QVERIFY(port.isDrained());
}

void TestBenchProbes::residentKilobytes_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<long long>("kilobytes");

    QTest::newRow("among other lines")
        << QByteArray("Name:\tx\nVmPeak:\t  9000 kB\nVmHWM:\t  50000 kB\nVmRSS:\t   40960 kB\n"
                      "RssAnon:\t    100 kB\n")
        << 40960LL;
    QTest::newRow("look-alike line before it")
        << QByteArray("RssFile:\t  5 kB\nVmRSS:\t  7 kB\n") << 7LL;
    QTest::newRow("last line without a line end") << QByteArray("Name:\tx\nVmRSS:\t12 kB") << 12LL;
    QTest::newRow("no such line") << QByteArray("Name:\tx\nVmSize:\t100 kB\n") << -1LL;
    QTest::newRow("no number") << QByteArray("VmRSS:\t kB\n") << -1LL;
    QTest::newRow("empty text") << QByteArray() << -1LL;
}

void TestBenchProbes::residentKilobytes() {
    QFETCH(QByteArray, status);
    QFETCH(long long, kilobytes);
    QCOMPARE(tavixat::bench::residentKilobytes(status.toStdString()), kilobytes);
}

QTEST_GUILESS_MAIN(TestBenchProbes)
#include "test_benchprobes.moc"
