#include "LineSettings.h"
#include "PortNames.h"
#include "PrivateSettings.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::test;

// Which device a port number opens, which numbers are accepted, and the line settings text.
class TestPortConfig : public QObject {
    Q_OBJECT
    PrivateSettings settings_;

private slots:
    void devicePath_data();
    void devicePath();
    void storedPathIsLookedUpByPortName();
    void portNumberRange_data();
    void portNumberRange();
    void lineSettings_data();
    void lineSettings();
    void malformedLineSettings_data();
    void malformedLineSettings();
};

void TestPortConfig::devicePath_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<PortNaming>("naming");
    QTest::addColumn<QString>("path");

    QTest::newRow("COM1 defaults to ttyS0") << 1 << "" << PortNaming::Unix << "/dev/ttyS0";
    QTest::newRow("COM16 defaults to ttyS15") << 16 << "" << PortNaming::Unix << "/dev/ttyS15";
    QTest::newRow("stored path wins") << 3 << "/dev/ttyUSB0" << PortNaming::Unix << "/dev/ttyUSB0";
    QTest::newRow("stored path trimmed")
        << 2 << " /dev/ttyACM1 " << PortNaming::Unix << "/dev/ttyACM1";
    QTest::newRow("blank stored path ignored") << 5 << "  " << PortNaming::Unix << "/dev/ttyS4";
    QTest::newRow("Windows opens the name")
        << 12 << "/dev/ttyUSB0" << PortNaming::Windows << "COM12";
}

void TestPortConfig::devicePath() {
    QFETCH(int, number);
    QFETCH(QString, stored);
    QFETCH(PortNaming, naming);
    QTEST(devicePathFor(number, stored, naming), "path");
}

void TestPortConfig::storedPathIsLookedUpByPortName() {
    QVERIFY(storeText(QStringLiteral("Ports/COM7"), QStringLiteral("/dev/ttyUSB3")));
    QCOMPARE(devicePathFor(7), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(devicePathFor(8), QStringLiteral("/dev/ttyS7"));
}

void TestPortConfig::portNumberRange_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("kept");

    QTest::newRow("first") << 1 << true << 1;
    QTest::newRow("last") << 16 << true << 16;
    QTest::newRow("none selected") << 0 << false << 4;
    QTest::newRow("past the list") << 17 << false << 4;
    QTest::newRow("negative") << -1 << false << 4;
}

void TestPortConfig::portNumberRange() {
    QFETCH(int, number);
    QtSerialPort port;
    QVERIFY(port.setCommPort(4));
    QTEST(port.setCommPort(number), "accepted");
    QTEST(port.commPort(), "kept");
}

void TestPortConfig::lineSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("the device's") << "9600,N,8,1" << 9600 << int(QSerialPort::NoParity) << 8
                                  << int(QSerialPort::OneStop);
    QTest::newRow("even, two stop") << "115200,E,7,2" << 115200 << int(QSerialPort::EvenParity) << 7
                                    << int(QSerialPort::TwoStop);
    QTest::newRow("lower case odd, 1.5 stop")
        << "1200,o,5,1.5" << 1200 << int(QSerialPort::OddParity) << 5
        << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("blanks, mark") << " 19200 , M ,6, 1" << 19200 << int(QSerialPort::MarkParity)
                                  << 6 << int(QSerialPort::OneStop);
    QTest::newRow("space") << "4800,S,8,1" << 4800 << int(QSerialPort::SpaceParity) << 8
                           << int(QSerialPort::OneStop);
}

void TestPortConfig::lineSettings() {
    QFETCH(QString, text);
    const auto line = parseLineSettings(text);
    QVERIFY(line);
    QTEST(int(line->baudRate), "baud");
    QTEST(int(line->parity), "parity");
    QTEST(int(line->dataBits), "dataBits");
    QTEST(int(line->stopBits), "stopBits");
}

void TestPortConfig::malformedLineSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("three parts") << "9600,N,8";
    QTest::newRow("five parts") << "9600,N,8,1,1";
    QTest::newRow("baud not a number") << "fast,N,8,1";
    QTest::newRow("zero baud") << "0,N,8,1";
    QTest::newRow("unknown parity") << "9600,X,8,1";
    QTest::newRow("parity word") << "9600,None,8,1";
    QTest::newRow("nine data bits") << "9600,N,9,1";
    QTest::newRow("four data bits") << "9600,N,4,1";
    QTest::newRow("three stop bits") << "9600,N,8,3";
}

void TestPortConfig::malformedLineSettings() {
    QFETCH(QString, text);
    QVERIFY(!parseLineSettings(text));
}

QTEST_GUILESS_MAIN(TestPortConfig)
#include "test_portconfig.moc"
