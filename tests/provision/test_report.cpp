// The report of a production run: rows appended as RFC 4180 CSV, the header on a new file, the
// mode of the file, and what a restarted run reads back from it.
#include "ProvisionReport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tavixat;

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void appendsAndReadsBack_data();
    void appendsAndReadsBack();
    void refusesWhatCannotBeKept();
};

namespace {

// A report from before kits had partners is continued in its own columns.
const QByteArray kOldHeader = "time,station,device,unit,own_address,firmware,name,pin,result,"
                              "detail,seconds\r\n";
const QByteArray kHeader = kOldHeader.chopped(2) + ",partner\r\n";
const QByteArray kOldRow = "2026-12-07T08:00:00+00:00,A,d,3,0001 A1 B2 C3D4,v,U3,1,ok,,2.0\r\n";

// "unit|own address|name|result|detail|offset from UTC in minutes|partner", the rest fixed.
ReportRow rowOf(const QString& fields) {
    const QStringList f = fields.split(u'|');
    const QDateTime time(QDate(2026, 12, 7), QTime(9, 30, 5), Qt::OffsetFromUTC,
                         f.value(5).toInt() * 60);
    return {time, "A", "d", f[0].toInt(), f[1], "v", f[2], "1", f[3], f[4], 2.4, f.value(6)};
}

} // namespace

void TestReport::appendsAndReadsBack_data() {
    QTest::addColumn<QByteArray>("existing"); // "-": no file
    QTest::addColumn<int>("mode");            // of the file there; a new one is made 0600
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QByteArray>("added"); // what the run wrote
    QTest::addColumn<int>("highest");
    QTest::addColumn<QString>("done"); // sorted, joined by ","; "!" and part of a refusal

    const QByteArray row7 = "2026-12-07T09:30:05+01:00,A,d,7,0001a1b2c3d5,v,U7,1,ok,,2.40\r\n";
    const QStringList ok7{"7|0001a1b2c3d5|U7|ok||60"};
    QTest::newRow("new file") << QByteArray("-") << 0 << ok7 << kHeader + row7.chopped(2) + ",\r\n"
                              << 7 << "0001a1b2c3d5";
    QTest::newRow("empty file, mode kept, a partner")
        << QByteArray() << 0640 << QStringList{ok7[0] + "|0001a1b2c3d6"}
        << kHeader + row7.chopped(2) + ",0001a1b2c3d6\r\n"
        << 7 << "0001a1b2c3d5";
    QTest::newRow("appended") << kOldHeader + kOldRow << 0604 << ok7 << row7 << 7
                              << "0001a1b2c3d4,0001a1b2c3d5";
    QTest::newRow("quoted, escaped, offset behind UTC")
        << kOldHeader << 0600 << QStringList{"4|a|U,\"4\"|failed|no\r\nreply\x1b|-300"}
        << QByteArray("2026-12-07T09:30:05-05:00,A,d,4,a,v,\"U,\"\"4\"\"\",1,failed,"
                      "no\\r\\nreply\\x1b,2.40\r\n")
        << 4 << "";
    QTest::newRow("a module's text kept from a spreadsheet's formulas")
        << kOldHeader << 0600 << QStringList{"4|@SUM(1)|U4|failed|=1+1|0"}
        << QByteArray("2026-12-07T09:30:05+00:00,A,d,4,'@SUM(1),v,U4,1,failed,'=1+1,2.40\r\n") << 4
        << "";
    QTest::newRow("highest, not last; ok rows done")
        << kOldHeader + kOldRow << 0600
        << QStringList{"9|b|U9|skipped||330", "4|c|U4|failed|x|330", "8|d|U8|ok||330"}
        << QByteArray("2026-12-07T09:30:05+05:30,A,d,9,b,v,U9,1,skipped,,2.40\r\n"
                      "2026-12-07T09:30:05+05:30,A,d,4,c,v,U4,1,failed,x,2.40\r\n"
                      "2026-12-07T09:30:05+05:30,A,d,8,d,v,U8,1,ok,,2.40\r\n")
        << 9 << "0001a1b2c3d4,d";
    QTest::newRow("edited by hand: LF ends, blank line")
        << kOldHeader.chopped(2) + "\n\n2026,A,d,12,e,v,\"a\nb\",1,ok,,1\n"
        << 0600 << QStringList{} << QByteArray() << 12 << "e";

    // Reports a restarted run must not go on with: the row and part of the message.
    const char* const broken[][3] = {
        {"not a report", "", "!first line is not the header"},
        {"quote never closed", "2026,A,d,5,a,v,\"U,1,ok,,1\r\n", "!line 2: a broken quote"},
        {"last row cut", "2026,A,d,5,a,v,U,1,ok,,1", "!line 2: a broken quote"},
        {"unit not a number", "2026,A,d,five,a,v,U,1,ok,,1\r\n", "!line 2 is not a row of 11"},
        {"field missing", "2026,A,d,5,a,v,U,1,ok,1\r\n", "!line 2 is not a row of 11"},
        {"unit past the last", "2026,A,d,2147483647,a,v,U,1,ok,,1\r\n",
         "!line 2 holds unit 2147483647; units run from 1 to 99999999."},
        {"unit of none", "2026,A,d,0,a,v,U,1,ok,,1\r\n", "!line 2 holds unit 0;"}};
    for (const auto& [name, row, message] : broken)
        QTest::newRow(name) << (*row ? kOldHeader + row : QByteArray("name,pin\r\n")) << 0600
                            << QStringList{} << QByteArray() << 0 << message;
}

void TestReport::appendsAndReadsBack() {
    QFETCH(QByteArray, existing);
    QFETCH(int, mode);
    QFETCH(QStringList, rows);
    QFETCH(QByteArray, added);
    QFETCH(int, highest);
    QFETCH(QString, done);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.csv"));
    QFile file(path);
    const bool isNew = existing == "-";
    if (isNew)
        existing.clear();
    else {
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(existing) == existing.size());
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
    }
    QString error;
    ProvisionReport report;
    if (!rows.isEmpty())
        QVERIFY2(report.open(path, error), qPrintable(error));
    for (const QString& row : rows)
        QVERIFY2(report.append(rowOf(row), error), qPrintable(error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), existing + added);
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 0777), isNew ? 0600 : mode);

    const auto history = ProvisionReport::readHistory(path, error);
    QString seen = error.isEmpty() ? QString() : u'!' + error;
    if (history) {
        QStringList addresses = history->doneUnits.keys();
        addresses.sort();
        seen = addresses.join(u',');
        QCOMPARE(history->highestUnit, highest);
    }
    QVERIFY2(done.startsWith(u'!') ? seen.contains(done.mid(1)) && seen.contains(path)
                                   : seen == done,
             qPrintable(seen));
}

void TestReport::refusesWhatCannotBeKept() {
    QString error;
    const QString missing = QStringLiteral("/nonexistent/report.csv");
    QVERIFY(!ProvisionReport().open(missing, error) && error.contains(missing));
    const auto none = ProvisionReport::readHistory(missing, error);
    QVERIFY(none.has_value());
    QCOMPARE(none->highestUnit, 0);
    // Two runs on one report would number alike: the second is turned away.
    QTemporaryDir dir;
    const QString path = dir.filePath("r.csv");
    ProvisionReport first, second;
    QVERIFY(first.open(path, error));
    QVERIFY(!second.open(path, error));
    QCOMPARE(error, "The report " + path +
                        " is in use by another provision run: give each run a report of its own, "
                        "or run one with all the stations.");
    // A full disk, as a limit on the size of files: the row is not kept, and that is said.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{}, full{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    full = {rlim_t(QFileInfo(path).size()), old.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
    const bool kept = first.append(rowOf(QStringLiteral("1|a|U|ok|")), error);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &old) == 0);
    QVERIFY(!kept);
    QCOMPARE(error, "Cannot write the report " + path + ": File too large.");
}

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
