#include "LineSettings.h"
#include "PortNames.h"

#include <QTest>

using namespace tavixat;

// Which device a port number opens, and the line settings text.
class TestPortConfig : public QObject {
    Q_OBJECT
private slots:
    void devicePath_data();
    void devicePath();
    void lineSettings_data();
    void lineSettings();
};

void TestPortConfig::devicePath_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<PortNaming>("naming");
    QTest::addColumn<QString>("path");

    QTest::newRow("COM1 defaults to ttyS0") << 1 << "" << PortNaming::Unix << "/dev/ttyS0";
    QTest::newRow("COM16 defaults to ttyS15") << 16 << "" << PortNaming::Unix << "/dev/ttyS15";
    QTest::newRow("stored path wins, trimmed")
        << 3 << " /dev/ttyUSB0 " << PortNaming::Unix << "/dev/ttyUSB0";
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

void TestPortConfig::lineSettings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // baud, parity, data bits, stop bits as Qt numbers them

    QTest::newRow("the device's") << "9600,N,8,1"
                                  << "9600 0 8 1";
    QTest::newRow("even, two stop") << "115200,E,7,2"
                                    << "115200 2 7 2";
    QTest::newRow("lower-case odd, 1.5 stop") << "1200,o,5,1.5"
                                              << "1200 3 5 3";
    QTest::newRow("blanks, mark") << " 19200 , M ,6, 1"
                                  << "19200 5 6 1";
    QTest::newRow("space") << "4800,S,8,1"
                           << "4800 4 8 1";
    const QString invalid;
    QTest::newRow("empty") << "" << invalid;
    QTest::newRow("three parts") << "9600,N,8" << invalid;
    QTest::newRow("five parts") << "9600,N,8,1,1" << invalid;
    QTest::newRow("baud not a number") << "fast,N,8,1" << invalid;
    QTest::newRow("zero baud") << "0,N,8,1" << invalid;
    QTest::newRow("parity word") << "9600,None,8,1" << invalid;
    QTest::newRow("four data bits") << "9600,N,4,1" << invalid;
    QTest::newRow("nine data bits") << "9600,N,9,1" << invalid;
    QTest::newRow("three stop bits") << "9600,N,8,3" << invalid;
}

void TestPortConfig::lineSettings() {
    QFETCH(QString, text);
    QString read;
    if (const auto line = parseLineSettings(text))
        read = QStringLiteral("%1 %2 %3 %4")
                   .arg(line->baudRate)
                   .arg(int(line->parity))
                   .arg(int(line->dataBits))
                   .arg(int(line->stopBits));
    QTEST(read, "read");
}

QTEST_GUILESS_MAIN(TestPortConfig)
#include "test_portconfig.moc"
