#include "FakePlatform.h"
#include "FakeSerialPort.h"
#include "modComm.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

// Cutting device output into reply fields, and waiting for an expected one.
class TestReplyFieldReader : public QObject {
    Q_OBJECT

    struct Rig {
        FakePlatform platform;
        FakeSerialPort port{platform.clock};
        modComm comm{port, platform};
        Rig() { comm.OpenPort(1); }
    };

private slots:
    void fieldsFromOutput_data();
    void fieldsFromOutput();
    void firstCallKeepsWhatFollowsTheField();
    void closedPortTouchesNoState();
    void flushInsideAFieldKeepsTheField();
    void babblingDeviceIsBounded();
    void stateSurvivesCloseAndOpen();
    void waitForReply_data();
    void waitForReply();
    void waitOnClosedPort();
    void lateMatchStaysForTheNextReader();
};

using Arrivals = QList<QByteArray>;

void TestReplyFieldReader::fieldsFromOutput_data() {
    // arrivals[i] reaches the port just before call i.
    QTest::addColumn<Arrivals>("arrivals");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("inFieldAfter");
    QTest::addColumn<QString>("fieldTextAfter");

    QTest::newRow("field then line end")
        << Arrivals{"[READY]\r\n", ""} << QStringList{"READY", ""} << false << "";
    QTest::newRow("two fields in one read")
        << Arrivals{"[OK][OK]", "", ""} << QStringList{"OK", "OK", ""} << false << "";
    QTest::newRow("field split over reads")
        << Arrivals{"[RE", "ADY]"} << QStringList{"", "READY"} << false << "";
    QTest::newRow("byte by byte") << Arrivals{"[", "O", "K", "]"} << QStringList{"", "", "", "OK"}
                                  << false << "";
    QTest::newRow("stray close bracket")
        << Arrivals{"xx]yy[AB]", ""} << QStringList{"", "AB"} << false << "";
    QTest::newRow("open bracket restarts") << Arrivals{"[A[B]"} << QStringList{"B"} << false << "";
    QTest::newRow("empty field") << Arrivals{"[]", ""} << QStringList{"", ""} << false << "";
    QTest::newRow("noise between fields") << Arrivals{"\r\n>>[OK] junk\r\n[READY]zz", "", ""}
                                          << QStringList{"OK", "READY", ""} << false << "";
    QTest::newRow("open field at the end") << Arrivals{"zz[AB"} << QStringList{""} << true << "AB";
}

void TestReplyFieldReader::fieldsFromOutput() {
    QFETCH(Arrivals, arrivals);
    QFETCH(QStringList, fields);
    Rig rig;
    QStringList got;
    for (const auto& bytes : arrivals) {
        rig.port.feedNow(bytes);
        got << rig.comm.NextReplyField();
    }
    QCOMPARE(got, fields);
    QTEST(rig.comm.inField(), "inFieldAfter");
    QTEST(rig.comm.fieldText(), "fieldTextAfter");
    QCOMPARE(rig.comm.rxBuffer(), QString());
}

void TestReplyFieldReader::firstCallKeepsWhatFollowsTheField() {
    Rig rig;
    rig.port.feedNow("xx]yy[AB]");
    QCOMPARE(rig.comm.NextReplyField(), QString());
    QCOMPARE(rig.comm.rxBuffer(), QStringLiteral("yy[AB]"));

    Rig ready;
    ready.port.feedNow("[READY]\r\n");
    QCOMPARE(ready.comm.NextReplyField(), QStringLiteral("READY"));
    QCOMPARE(ready.comm.rxBuffer(), QStringLiteral("\r\n"));
}

void TestReplyFieldReader::closedPortTouchesNoState() {
    Rig rig;
    rig.port.feedNow("[OK][RE");
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("OK"));
    rig.comm.ClosePort();
    QCOMPARE(rig.comm.NextReplyField(), QString());
    QCOMPARE(rig.comm.rxBuffer(), QStringLiteral("[RE"));
    QCOMPARE(rig.comm.inField(), false);
    QCOMPARE(rig.port.reads, 1);
}

void TestReplyFieldReader::flushInsideAFieldKeepsTheField() {
    Rig rig;
    rig.port.feedNow("[RE");
    QCOMPARE(rig.comm.NextReplyField(), QString());
    rig.port.feedNow("[junk]");
    rig.comm.FlushInput();
    QCOMPARE(rig.comm.rxBuffer(), QString());
    QCOMPARE(rig.comm.inField(), true);
    QCOMPARE(rig.comm.fieldText(), QStringLiteral("RE"));
    rig.port.feedNow("ADY]");
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("READY"));
}

void TestReplyFieldReader::babblingDeviceIsBounded() {
    Rig rig;
    // A field far longer than any reply, cut into reads, then a healthy field.
    rig.port.feedNow("[" + QByteArray(3000, 'a'));
    QCOMPARE(rig.comm.NextReplyField(), QString());
    QCOMPARE(rig.comm.inField(), true);
    rig.port.feedNow(QByteArray(200000, 'b'));
    QCOMPARE(rig.comm.NextReplyField(), QString());
    QCOMPARE(rig.comm.inField(), false);
    QCOMPARE(rig.comm.fieldText(), QString());
    rig.port.feedNow("]\r\n[OK]");
    QCOMPARE(rig.comm.NextReplyField(), QString()); // the "]" of the dropped field
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("OK"));

    // Just at the bound the field is whole.
    Rig exact;
    exact.port.feedNow("[" + QByteArray(modComm::kMaxFieldLength, 'c') + "]");
    QCOMPARE(exact.comm.NextReplyField().size(), modComm::kMaxFieldLength);
}

void TestReplyFieldReader::stateSurvivesCloseAndOpen() {
    Rig rig;
    rig.port.feedNow("[OK][RE");
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("OK"));
    rig.comm.ClosePort();
    QVERIFY(rig.comm.OpenPort(1));
    QCOMPARE(rig.comm.rxBuffer(), QStringLiteral("[RE"));
    QCOMPARE(rig.comm.NextReplyField(), QString());
    QCOMPARE(rig.comm.inField(), true);
    rig.port.feedNow("ADY]");
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("READY"));
}

void TestReplyFieldReader::waitForReply_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("arrivesAtMs");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("sleeps");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QString>("rxAfter");

    QTest::newRow("answered at once")
        << QByteArray("[READY]") << 0 << "READY" << true << 1 << 1 << "";
    QTest::newRow("one other word then nothing")
        << QByteArray("[NO]") << 0 << "OK" << false << 5 << 4 << "";
    QTest::newRow("match at the third read")
        << QByteArray("[X][Y][OK]") << 0 << "OK" << true << 3 << 3 << "";
    QTest::newRow("match behind four others")
        << QByteArray("[A][B][C][D][OK]") << 0 << "OK" << false << 5 << 4 << "[OK]";
    QTest::newRow("case counts") << QByteArray("[OK]") << 0 << "ok" << false << 5 << 4 << "";
    QTest::newRow("empty expected matches nothing yet")
        << QByteArray() << 0 << "" << true << 1 << 1 << "";
    QTest::newRow("arrives before the fourth read")
        << QByteArray("[OK]") << 350 << "OK" << true << 4 << 4 << "";
    QTest::newRow("arrives after the fourth read")
        << QByteArray("[OK]") << 450 << "OK" << false << 5 << 4 << "";
}

void TestReplyFieldReader::waitForReply() {
    QFETCH(QByteArray, output);
    QFETCH(int, arrivesAtMs);
    QFETCH(QString, expected);
    QFETCH(int, sleeps);
    Rig rig;
    if (!output.isEmpty())
        rig.port.feed(output, arrivesAtMs);
    QTEST(rig.comm.WaitForReply(expected), "result");
    QCOMPARE(rig.platform.sleeps, QList<int>(sleeps, 100));
    QTEST(rig.port.reads, "reads");
    // Events are processed before every sleep.
    QCOMPARE(rig.platform.processEventsCalls, sleeps);
    QTEST(rig.comm.rxBuffer(), "rxAfter");
}

void TestReplyFieldReader::waitOnClosedPort() {
    Rig rig;
    rig.comm.ClosePort();
    QCOMPARE(rig.comm.WaitForReply(QStringLiteral("READY")), false);
    QCOMPARE(rig.platform.sleeps.size(), 5);
    QCOMPARE(rig.port.reads, 0);
}

void TestReplyFieldReader::lateMatchStaysForTheNextReader() {
    Rig rig;
    rig.port.feed("[OK]", 450);
    QCOMPARE(rig.comm.WaitForReply(QStringLiteral("OK")), false);
    QCOMPARE(rig.port.pendingBytes(), 4);
    QCOMPARE(rig.comm.NextReplyField(), QStringLiteral("OK"));
}

QTEST_GUILESS_MAIN(TestReplyFieldReader)
#include "test_replyfieldreader.moc"
