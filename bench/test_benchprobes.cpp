#include "MemoryPort.h"
#include "NullPlatform.h"
#include "ProcStatus.h"
#include "ReaderWorkload.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::bench;

// The probes behind the benchmark measure what they claim: the reader driver gets back every
// field sent however the output is cut, and memory comes from the right line.
class TestBenchProbes : public QObject {
    Q_OBJECT
private slots:
    void readerGetsEveryField_data();
    void readerGetsEveryField();
    void residentKilobytes_data();
    void residentKilobytes();
};

void TestBenchProbes::readerGetsEveryField_data() {
    QTest::addColumn<qsizetype>("bytes");
    QTest::addColumn<qsizetype>("maxChunk");
    QTest::newRow("byte by byte") << qsizetype(3000) << qsizetype(1);
    // Long enough for the reader to move its buffer's unread part to the front many times.
    QTest::newRow("poll-sized reads") << qsizetype(200000) << kDefaultMaxChunk;
}

void TestBenchProbes::readerGetsEveryField() {
    QFETCH(qsizetype, bytes);
    QFETCH(qsizetype, maxChunk);
    const ReaderWorkload workload = makeReaderWorkload(bytes, 1, maxChunk);
    QVERIFY(workload.output.size() >= bytes && workload.fields.size() > bytes / 100);
    MemoryPort port(workload.output, workload.chunkSizes);
    NullPlatform platform;
    modComm comm(port, platform);
    QVERIFY(comm.OpenPort(1));
    QCOMPARE(readAllFields(comm, port), workload.fields);
    QVERIFY(port.isDrained());
}

void TestBenchProbes::residentKilobytes_data() {
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<long long>("kilobytes");
    QTest::newRow("among look-alike lines")
        << QByteArray(
               "VmHWM:\t  50000 kB\nRssFile:\t  5 kB\nVmRSS:\t   40960 kB\nRssAnon:\t 1 kB\n")
        << 40960LL;
    QTest::newRow("last line without a line end") << QByteArray("Name:\tx\nVmRSS:\t12 kB") << 12LL;
    QTest::newRow("no such line") << QByteArray("Name:\tx\nVmSize:\t100 kB\n") << -1LL;
    QTest::newRow("no number") << QByteArray("VmRSS:\t kB\n") << -1LL;
}

void TestBenchProbes::residentKilobytes() {
    QFETCH(QByteArray, status);
    QTEST(bench::residentKilobytes(status.toStdString()), "kilobytes");
}

QTEST_GUILESS_MAIN(TestBenchProbes)
#include "test_benchprobes.moc"
