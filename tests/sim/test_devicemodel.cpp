#include "DeviceModel.h"

#include <QTest>

using namespace tavixat::sim;

namespace {

// One write of the tool: its bytes, when, and the RTS line (nullopt: a line without RTS).
struct Write {
    QByteArray bytes;
    qint64 atMs = 0;
    std::optional<bool> rts = true;
};
using Writes = QList<Write>;

DeviceFaults faults(auto set) {
    DeviceFaults f;
    set(f);
    return f;
}

} // namespace

Q_DECLARE_METATYPE(Writes)
Q_DECLARE_METATYPE(tavixat::sim::DeviceFaults)

// How the simulated device reads the command stream, and the faults that only the simulator's
// own users reach (the connection and end-to-end tests drive the others).
class TestDeviceModel : public QObject {
    Q_OBJECT
private slots:
    void replies_data();
    void replies();
};

void TestDeviceModel::replies_data() {
    QTest::addColumn<DeviceFaults>("faults");
    QTest::addColumn<Writes>("writes");
    // Each chunk as "time bytes", then when the line went dead, if it did.
    QTest::addColumn<QStringList>("output");

    auto readyAt = [](qint64 t) { return QString::number(t) + " [READY]\r\n"; };
    QTest::newRow("split over three writes")
        << DeviceFaults{} << Writes{{"<PI"}, {"N"}, {"G>", 20}} << QStringList{readyAt(20)};
    QTest::newRow("back to back") << DeviceFaults{} << Writes{{"<PING><VERS>"}}
                                  << QStringList{readyAt(0), "0 [v2.0]\r\n"};
    QTest::newRow("an opening bracket restarts")
        << DeviceFaults{} << Writes{{"<PI<PING>"}} << QStringList{readyAt(0)};
    // A device that stops after so many commands shows that nothing else was taken for one.
    QTest::newRow("line noise around commands is no command")
        << faults([](auto& f) { f.stopAfterCommands = 2; })
        << Writes{{QByteArray("\r\n\0\xff><PING>zz", 13)}, {"\n<VERS>", 5}}
        << QStringList{readyAt(0), "5 [v2.0]\r\n"};
    QTest::newRow("over-long command dropped, the next one heard")
        << faults([](auto& f) { f.stopAfterCommands = 1; })
        << Writes{{"<NAME=" + QByteArray(300, 'a') + ">"}, {"<PING>"}} << QStringList{readyAt(0)};

    const DeviceFaults onlyAsserted = faults([](auto& f) { f.answerOnlyWithRts = true; });
    QTest::newRow("only with RTS asserted")
        << onlyAsserted << Writes{{"<PING>", 0, false}, {"<PING>", 500}}
        << QStringList{readyAt(500)};
    QTest::newRow("a line without RTS ignores the RTS fault")
        << onlyAsserted << Writes{{"<PING>", 0, std::nullopt}} << QStringList{readyAt(0)};
    QTest::newRow("stops at a time")
        << faults([](auto& f) { f.stopAfterMs = 1000; })
        << Writes{{"<PING>", 999}, {"<PING>", 1000}} << QStringList{readyAt(999)};
    QTest::newRow("hangs up at a time") << faults([](auto& f) { f.hangUpAfterMs = 700; })
                                        << Writes{{"<PING>", 0}, {"<PING>", 500}, {"<PING>", 1000}}
                                        << QStringList{readyAt(0), readyAt(500), "hang-up at 700"};
}

void TestDeviceModel::replies() {
    QFETCH(DeviceFaults, faults);
    QFETCH(Writes, writes);
    DeviceModel model({}, faults);
    QStringList output;
    for (const Write& w : writes)
        for (const OutputChunk& chunk : model.receive(w.bytes, w.atMs, w.rts).chunks)
            output << QString::number(chunk.atMs) + u' ' + QString::fromLatin1(chunk.bytes);
    if (const std::optional<qint64> at = model.hangUpTime())
        output << "hang-up at " + QString::number(*at);
    QTEST(output, "output");
}

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "test_devicemodel.moc"
