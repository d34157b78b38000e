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
    void drawsRandomDigitsFromTheSystem(); // and once for a kit
};

void TestProfile::expandsPlaceholders_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<int>("highestUnit");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("ownAddress");
    // "name|pin", or "!" and part of the message that refuses the profile or the module.
    QTest::addColumn<QString>("expected");

    struct Row {
        const char *row, *name, *pin;
        int highestUnit, unit;
        const char *ownAddress, *expected;
    };
    const Row rows[] = {
        {"unit", "Unit-{n}", "{n:4}", 9999, 7, "0001 A1 b2 c3d4", "Unit-7|0007"},
        {"wider than padding", "U{n:2}", "1", 999, 123, "0001 A1 b2 c3d4", "U123|1"},
        {"address", "AB{addr}", "1", 9, 1, "0001 A1 b2 c3d4", "AB0001a1b2c3d4|1"},
        {"tail, random, braces", "{{x}{addr:4}", "{random:6}", 9, 1, "0001 A1 b2 c3d4",
         "{x}c3d4|123456"},
        // Refused in the words of the template, for the first unit it fails for.
        {"padding too wide", "{n:20}", "1", 9, 1, "0001 A1 b2 c3d4",
         "!name \"{n:20}\" is 20 characters long for unit 1; it must have 1 to 14."},
        {"text and address", "ABC{addr}", "1", 9, 1, "0001 A1 b2 c3d4",
         "!name \"ABC{addr}\" can expand to 15 characters; it must have 1 to 14."},
        {"highest unit", "Unit-{n:3}", "1", 1000000000, 1, "0001 A1 b2 c3d4",
         "!name \"Unit-{n:3}\" is 15 characters long for unit 1000000000; it must have 1 to 14."},
        {"first unit too long", "Unit-{n:3}", "1", 1999999999, 1, "0001 A1 b2 c3d4",
         "!for unit 1000000000;"},
        {"random pin", "A", "12{random:8}", 9, 1, "0001 A1 b2 c3d4", "!pin \"12{random:8}\" can "},
        {"plain text too long", "ABCDEFGHIJKLMNO", "1", 9, 1, "0001 A1 b2 c3d4",
         "!name: \"ABCDEFGHIJKLMNO\" has 15 characters; it must have 1 to 14."},
        {"unsafe character", "\u00dcnit-{n}", "1", 9, 1, "0001 A1 b2 c3d4",
         "!name \"\u00dcnit-{n}\" holds \"\u00dc\", which the module cannot take; use printable "
         "ASCII other than < > [ ]."},
        {"unit above highest", "ABCDEFGHIJ{n}", "1", 9999, 12345, "0001 A1 b2 c3d4",
         "!name \"ABCDEFGHIJ{n}\" is 15 characters long for unit 12345; it must have 1 to 14."},
        {"name like a formula", "=A1+{n}", "1", 9, 1, "0001 A1 b2 c3d4",
         "!name \"=A1+{n}\" starts with \"=\", which a spreadsheet opening the report would take "
         "for a formula; start it with another character."},
        {"pin like a formula", "A", "-123", 9, 1, "0001 A1 b2 c3d4", "!pin \"-123\" starts with"},
        {"no own address", "A", "1", 9, 1, "",
         "!the module's own address \"\" is not twelve hexadecimal digits."},
        {"own address short", "A", "1", 9, 1, "0001 a1 b2 c3d", "!not twelve hexadecimal"},
        // "kit": the profile of --pairs, for a kit's Master.
        {"kit: role", "Link-{n:3}-{role}", "1", 999, 7, "0001 A1 b2 c3d4", "Link-007-M|1"},
        {"kit: role counted", "Linkx-{n:7}-{role}", "1", 9, 1, "0001 A1 b2 c3d4",
         "!is 15 characters long for unit 1;"},
        {"role outside a kit", "L{role}", "1", 9, 1, "0001 A1 b2 c3d4",
         "!name \"L{role}\" holds {role}, which only a kit of two has: give --pairs, or take "
         "{role} out."},
    };
    for (const Row& r : rows)
        QTest::newRow(r.row) << r.name << r.pin << r.highestUnit << r.unit << r.ownAddress
                             << r.expected;
    for (const char* bad : {"{random:3}", "{random:9}", "{random}", "{addr:0}", "{addr:13}", "{n:}",
                            "{n:0}", "{n:+2}", "{n: 3}", "{n:3 }", "{foo}", "A{n"})
        QTest::newRow(bad) << "A" << bad << 9 << 1 << "0001 A1 b2 c3d4"
                           << "!which is not {n}";
}

void TestProfile::expandsPlaceholders() {
    QFETCH(QString, name);
    QFETCH(QString, pin);
    QFETCH(int, highestUnit);
    QFETCH(int, unit);
    QFETCH(QString, ownAddress);
    QFETCH(QString, expected);

    QString error;
    const bool kit = QByteArray(QTest::currentDataTag()).startsWith("kit");
    auto profile = Profile::fromSettings({{"name", name}, {"pin", pin}, {"baud", "9600"}},
                                         highestUnit, kit, error);
    std::optional<QList<Assignment>> settings;
    if (profile) {
        profile->setRandomSource([](int count) { return QStringLiteral("123456789").left(count); });
        settings = profile->settingsFor(unit, ownAddress, error, kit ? "M" : "");
    }
    if (settings) {
        QCOMPARE(settings->at(2).value, QStringLiteral("9600"));
        error = settings->at(0).value + u'|' + settings->at(1).value;
    } else {
        error.prepend(u'!');
    }
    // A whole message when it ends as one does; else part of it.
    if (expected.startsWith(u'!') && !expected.endsWith(u'.'))
        QVERIFY2(error.startsWith(u'!') && error.contains(expected.mid(1)), qPrintable(error));
    else
        QCOMPARE(error, expected);
}

void TestProfile::drawsRandomDigitsFromTheSystem() {
    QString error;
    const auto profile = Profile::fromSettings({{"pin", "{random:8}"}}, 1, false, error);
    QStringList pins;
    for (int i = 0; i < 3; ++i)
        pins << profile->settingsFor(1, QStringLiteral("0001a1b2c3d4"), error)->at(0).value;
    // Eight digits; three equal draws have one chance in 10^16.
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]{8}$")).match(pins[0]).hasMatch() &&
                 (pins[0] != pins[1] || pins[1] != pins[2]),
             qPrintable(pins.join(u' ')));
    // A kit's two modules get the same draw.
    QStringList draws;
    const QString master = profile->settingsFor(1, "0001a1b2c3d4", error, "M", &draws)->at(0).value;
    QCOMPARE(profile->settingsFor(1, "0001a1b2c3d5", error, "S", &draws)->at(0).value, master);
}

QTEST_GUILESS_MAIN(TestProfile)
#include "test_profile.moc"
