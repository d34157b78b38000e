// A production profile: placeholders filled in per module, and profiles refused before any port
// opens when a value could be refused for some module.
#include "Profile.h"

#include <QRegularExpression>
#include <QTest>

using namespace tavixat;

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void expandsPlaceholders_data();
    void expandsPlaceholders();
    void drawsRandomDigitsFromTheSystem();
};

void TestProfile::expandsPlaceholders_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("highestUnit");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("ownAddress");
    // "name|pin", or "!" and part of the message that refuses the profile or the module.
    QTest::addColumn<QString>("expected");

    const QString own = QStringLiteral("0001 a1 b2 c3d4");
    QTest::newRow("unit") << "Unit-{n}"
                          << "1234"
                          << "9600" << 999 << 7 << own << "Unit-7|1234";
    QTest::newRow("unit padded") << "Unit-{n:3}"
                                 << "1234"
                                 << "9600" << 999 << 7 << own << "Unit-007|1234";
    QTest::newRow("unit wider than its padding") << "U{n:2}"
                                                 << "1234"
                                                 << "9600" << 999 << 123 << own << "U123|1234";
    QTest::newRow("address, upper case lowered") << "AB{addr}"
                                                 << "1234"
                                                 << "9600" << 9 << 1 << "0001 A1 B2 C3D4"
                                                 << "AB0001a1b2c3d4|1234";
    QTest::newRow("address tail, unit in pin") << "M-{addr:4}"
                                               << "{n:4}"
                                               << "9600" << 9999 << 12 << own << "M-c3d4|0012";
    QTest::newRow("random pin") << "T{n:2}-{addr:6}"
                                << "{random:6}"
                                << "9600" << 99 << 7 << own << "T07-b2c3d4|123456";
    QTest::newRow("braces of the text") << "{{x}-{n}"
                                        << "{random:4}"
                                        << "9600" << 9 << 7 << own << "{x}-7|1234";

    QTest::newRow("padding past the limit")
        << "{n:20}"
        << "1234"
        << "9600" << 9 << 1 << own << "!name: \"{n:20}\" can expand to 20 characters";
    QTest::newRow("text and address past the limit")
        << "ABC{addr}"
        << "1234"
        << "9600" << 9 << 1 << own << "!can expand to 15 characters";
    QTest::newRow("highest unit past the limit")
        << "Unit-{n:3}"
        << "1234"
        << "9600" << 1000000000 << 1 << own << "!can expand to 15 characters";
    QTest::newRow("random pin past the limit")
        << "A"
        << "12{random:8}"
        << "9600" << 9 << 1 << own << "!pin: \"12{random:8}\" can expand to 10";
    QTest::newRow("plain text too long")
        << "ABCDEFGHIJKLMNO"
        << "1234"
        << "9600" << 9 << 1 << own << "!has 15 characters; it must have 1 to 14";
    QTest::newRow("character the module cannot take")
        << "Unit<{n}"
        << "1234"
        << "9600" << 9 << 1 << own << "!a character the module cannot take";
    QTest::newRow("other setting refused")
        << "A"
        << "1234"
        << "1234" << 9 << 1 << own << "!baud: \"1234\" is not a valid value";
    for (const char* bad : {"{random:3}", "{random:9}", "{random}", "{addr:0}", "{addr:13}", "{n:}",
                            "{n:0}", "{n:+2}", "{foo}", "A{n"})
        QTest::newRow(bad) << "A" << bad << "9600" << 9 << 1 << own << "!which is not {n}";

    QTest::newRow("unit above the highest checked")
        << "ABCDEFGHIJ{n}"
        << "1234"
        << "9600" << 9999 << 12345 << own << "!has 15 characters";
    QTest::newRow("own address not reported") << "{addr:4}"
                                              << "1234"
                                              << "9600" << 9 << 1 << ""
                                              << "!not twelve hexadecimal digits";
    QTest::newRow("own address too short") << "{addr:4}"
                                           << "1234"
                                           << "9600" << 9 << 1 << "0001 a1 b2 c3d"
                                           << "!not twelve";
}

void TestProfile::expandsPlaceholders() {
    QFETCH(QString, name);
    QFETCH(QString, pin);
    QFETCH(QString, baud);
    QFETCH(int, highestUnit);
    QFETCH(int, unit);
    QFETCH(QString, ownAddress);
    QFETCH(QString, expected);

    QString error;
    auto profile = Profile::fromSettings(
        {{"name", name}, {"pin", pin}, {"baud", baud}, {"role", "slave"}}, highestUnit, error);
    std::optional<QList<Assignment>> settings;
    if (profile) {
        QVERIFY(error.isEmpty());
        profile->setRandomSource([](int count) { return QStringLiteral("123456789").left(count); });
        settings = profile->settingsFor(unit, ownAddress, error);
    }
    if (expected.startsWith(u'!')) {
        QVERIFY(!settings);
        QVERIFY2(error.contains(expected.mid(1)), qPrintable(error));
        return;
    }
    QVERIFY2(settings, qPrintable(error));
    QCOMPARE(settings->size(), 4);
    QCOMPARE(settings->at(0).value + u'|' + settings->at(1).value, expected);
    QCOMPARE(settings->at(2).value, baud);
}

void TestProfile::drawsRandomDigitsFromTheSystem() {
    QString error;
    const auto profile = Profile::fromSettings({{"pin", "{random:8}"}}, 1, error);
    QVERIFY2(profile, qPrintable(error));
    const QRegularExpression eightDigits(QStringLiteral("^[0-9]{8}$"));
    QStringList pins;
    for (int i = 0; i < 3; ++i) {
        const auto settings = profile->settingsFor(1, QStringLiteral("0001a1b2c3d4"), error);
        QVERIFY2(settings, qPrintable(error));
        QVERIFY(eightDigits.match(settings->at(0).value).hasMatch());
        pins << settings->at(0).value;
    }
    // Three equal draws of eight digits: one chance in 10^16.
    QVERIFY(pins[0] != pins[1] || pins[1] != pins[2]);
}

QTEST_GUILESS_MAIN(TestProfile)
#include "test_profile.moc"
