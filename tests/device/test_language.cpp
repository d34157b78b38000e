#include "Commands.h"
#include "Version.h"

#include <QTest>

using namespace tavixat;

// The texts that go over the line, and the version comparison.
class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void commandBytes_data();
    void commandBytes();
    void versionGate_data();
    void versionGate();
};

void TestLanguage::commandBytes_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("name of five, eleven bytes")
        << command::name(QStringLiteral("Tavix")) << QByteArray("<NAME=Tavix>");
    QTest::newRow("name unchanged: blanks, case, brackets")
        << command::name(QStringLiteral(" a<b>=C ")) << QByteArray("<NAME= a<b>=C >");
    QTest::newRow("pin code") << command::pinCode(QStringLiteral("0000"))
                              << QByteArray("<PKEY=0000>");
    QTest::newRow("empty pin code, seven bytes") << command::pinCode({}) << QByteArray("<PKEY=>");
    QTest::newRow("baud rate") << command::baudRate(QStringLiteral("115200"))
                               << QByteArray("<BAUD=115200>");
    QTest::newRow("stop bits") << command::stopBits(QStringLiteral("2")) << QByteArray("<SBIT=2>");
    QTest::newRow("parity none") << command::parity(command::parityLetter("None"))
                                 << QByteArray("<PRTY=N>");
    QTest::newRow("parity odd") << command::parity(command::parityLetter("Odd"))
                                << QByteArray("<PRTY=O>");
    QTest::newRow("parity even") << command::parity(command::parityLetter("Even"))
                                 << QByteArray("<PRTY=E>");
    QTest::newRow("parity with no entry")
        << command::parity(command::parityLetter({})) << QByteArray("<PRTY=>");
    QTest::newRow("address") << command::address(QStringLiteral("0000 00 00 0000"))
                             << QByteArray("<ADDR=0000 00 00 0000>");
}

void TestLanguage::commandBytes() {
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    // One byte per character, nothing added.
    QCOMPARE(command.size(), bytes.size());
    QCOMPARE(command.toLatin1(), bytes);
}

void TestLanguage::versionGate_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("pinLocked");

    QTest::newRow("no version field") << "" << false << false;
    QTest::newRow("a late READY") << "READY" << false << false;
    QTest::newRow("v1.0") << "v1.0" << false << false;
    QTest::newRow("capital V") << "V2.0" << false << false;
    QTest::newRow("capital V, old") << "V1.5" << false << false;
    QTest::newRow("leading digit") << "2.0" << false << false;
    QTest::newRow("v1 alone") << "v1" << false << false;
    QTest::newRow("v1.1") << "v1.1" << true << true;
    QTest::newRow("v1.5") << "v1.5" << true << true;
    QTest::newRow("v1.10") << "v1.10" << true << true;
    QTest::newRow("v10 sorts below v2.0") << "v10" << true << true;
    QTest::newRow("v10.0") << "v10.0" << true << true;
    QTest::newRow("v2 is a leading part of v2.0") << "v2" << true << true;
    QTest::newRow("v2.0") << "v2.0" << true << false;
    QTest::newRow("v2.1") << "v2.1" << true << false;
    QTest::newRow("v3.0") << "v3.0" << true << false;
}

void TestLanguage::versionGate() {
    QFETCH(QString, version);
    QTEST(isVersionAccepted(version), "accepted");
    QTEST(isPinRequestLocked(version), "pinLocked");
}

QTEST_GUILESS_MAIN(TestLanguage)
#include "test_language.moc"
