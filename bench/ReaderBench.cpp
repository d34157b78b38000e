// Times the reply field reader over 1 MB and 2 MB of realistic device output, read in chunks
// until drained.
//
//   tavixat-bench-reader [runs] [megabytes...]
//
// Prints one line per run, "reader_ns <bytes> <nanoseconds>"; exits with 1 when a run does not
// return exactly the fields that were sent. Every pass goes through readAllFields, so a profiler
// that counts inside that function alone sees the reader and nothing of the set-up.

#include "MemoryPort.h"
#include "NullPlatform.h"
#include "ReaderWorkload.h"
#include "modComm.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

using namespace tavixat;
using namespace tavixat::bench;

namespace {

constexpr quint32 kSeed = 20240601;
constexpr int kDefaultRuns = 5;
constexpr qsizetype kMegabyte = qsizetype(1) << 20;

// One pass of the reader over the whole workload; -1 when it returned other fields.
qint64 timeOneRun(const ReaderWorkload& workload) {
    MemoryPort port(workload.output, workload.chunkSizes);
    NullPlatform platform;
    modComm comm(port, platform);
    if (!comm.OpenPort(1))
        return -1;
    QElapsedTimer timer;
    timer.start();
    const QStringList fields = readAllFields(comm, port);
    const qint64 elapsed = timer.nsecsElapsed();
    return fields == workload.fields ? elapsed : -1;
}

int runsFromArguments(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    return runs > 0 ? runs : kDefaultRuns;
}

QList<qsizetype> sizesFromArguments(int argc, char* argv[]) {
    QList<qsizetype> sizes;
    for (int i = 2; i < argc; ++i) {
        const int megabytes = std::atoi(argv[i]);
        if (megabytes > 0)
            sizes.append(megabytes * kMegabyte);
    }
    return sizes.isEmpty() ? QList<qsizetype>{kMegabyte, 2 * kMegabyte} : sizes;
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = runsFromArguments(argc, argv);
    QList<ReaderWorkload> workloads;
    for (const qsizetype bytes : sizesFromArguments(argc, argv))
        workloads.append(makeReaderWorkload(bytes, kSeed));

    // The sizes take turns, so that the allocator's and the machine's state at any moment falls
    // on all of them alike; the first round warms both and is not counted.
    for (int run = 0; run <= runs; ++run) {
        for (const ReaderWorkload& workload : workloads) {
            const qint64 elapsed = timeOneRun(workload);
            if (elapsed < 0) {
                std::fprintf(stderr,
                             "reader: the fields read differ from those sent (%lld bytes)\n",
                             static_cast<long long>(workload.output.size()));
                return 1;
            }
            if (run > 0)
                std::printf("reader_ns %lld %lld\n", static_cast<long long>(workload.output.size()),
                            static_cast<long long>(elapsed));
        }
    }
    return 0;
}
