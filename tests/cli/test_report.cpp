// The report of a production run: rows appended as RFC 4180 CSV, the header on a new file, the
// mode of the file, and what a restarted run reads back from it.
#include "ProvisionReport.h"

#include <QTemporaryDir>
#include <QTest>
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

const QByteArray kHeader = "time,station,device,unit,own_address,firmware,name,pin,result,detail,"
                           "seconds\r\n";
const QByteArray kOldRow = "2026-12-07T08:00:00+00:00,A,/dev/x,3,0001 A1 B2 C3D4,v2.0,U3,1234,ok,,"
                           "2.0\r\n";

// "unit|own address|name|result|detail", the rest fixed.
ReportRow rowOf(const QString& spec, int offsetSeconds) {
    const QStringList p = spec.split(u'|');
    const QDateTime time(QDate(2026, 12, 7), QTime(9, 30, 5), Qt::OffsetFromUTC, offsetSeconds);
    return {time, "A", "/dev/x", p[0].toInt(), p[1], "v2.0", p[2], "1234", p[3], p[4], 2.4};
}

} // namespace

void TestReport::appendsAndReadsBack_data() {
    QTest::addColumn<QByteArray>("existing"); // "-": no file
    QTest::addColumn<int>("modeBefore");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("offsetSeconds");
    QTest::addColumn<QByteArray>("added"); // what the run wrote
    QTest::addColumn<int>("modeAfter");
    QTest::addColumn<int>("highest");
    QTest::addColumn<QString>("done"); // sorted, joined by ","; "!" and part of a refusal

    const QByteArray row7 = "2026-12-07T09:30:05+01:00,A,/dev/x,7,0001a1b2c3d5,v2.0,Unit-007,1234,"
                            "ok,,2.4\r\n";
    QTest::newRow("new file: header, owner only")
        << QByteArray("-") << 0 << QStringList{"7|0001a1b2c3d5|Unit-007|ok|"} << 3600
        << kHeader + row7 << 0600 << 7 << "0001a1b2c3d5";
    QTest::newRow("empty file: header, mode kept")
        << QByteArray() << 0640 << QStringList{"7|0001a1b2c3d5|Unit-007|ok|"} << 3600
        << kHeader + row7 << 0640 << 7 << "0001a1b2c3d5";
    QTest::newRow("appended, no second header")
        << kHeader + kOldRow << 0600 << QStringList{"7|0001a1b2c3d5|Unit-007|ok|"} << 3600 << row7
        << 0600 << 7 << "0001a1b2c3d4,0001a1b2c3d5";
    QTest::newRow("quoted fields, negative offset")
        << kHeader << 0600 << QStringList{"4|0001a1b2c3d5|Unit,\"4\"|failed|no reply\r\nat all"}
        << -5 * 3600
        << QByteArray("2026-12-07T09:30:05-05:00,A,/dev/x,4,0001a1b2c3d5,v2.0,\"Unit,\"\"4\"\"\","
                      "1234,failed,\"no reply\r\nat all\",2.4\r\n")
        << 0600 << 4 << "";
    QTest::newRow("highest, not last; only ok rows done")
        << kHeader + kOldRow << 0600
        << QStringList{"9|0001a1b2c3d5|U9|skipped|", "4|0001a1b2c3d6|U4|failed|x",
                       "8|0001a1b2c3d7|U8|ok|"}
        << 19800
        << QByteArray("2026-12-07T09:30:05+05:30,A,/dev/x,9,0001a1b2c3d5,v2.0,U9,1234,skipped,,"
                      "2.4\r\n2026-12-07T09:30:05+05:30,A,/dev/x,4,0001a1b2c3d6,v2.0,U4,1234,"
                      "failed,x,2.4\r\n2026-12-07T09:30:05+05:30,A,/dev/x,8,0001a1b2c3d7,v2.0,U8,"
                      "1234,ok,,2.4\r\n")
        << 0600 << 9 << "0001a1b2c3d4,0001a1b2c3d7";
    QTest::newRow("edited by hand: LF ends, blank line")
        << QByteArray("time,station,device,unit,own_address,firmware,name,pin,result,detail,"
                      "seconds\n\n2026,A,/dev/x,12,0001a1b2c3d9,v2.0,\"a\nb\",1,ok,,1\n")
        << 0600 << QStringList{} << 0 << QByteArray() << 0600 << 12 << "0001a1b2c3d9";

    const QStringList none;
    QTest::newRow("not a report") << QByteArray("name,pin\r\n") << 0600 << none << 0 << QByteArray()
                                  << 0600 << 0 << "!first line is not the header";
    QTest::newRow("quote never closed")
        << kHeader + "2026,A,/dev/x,5,a,v2.0,\"Unit,1,ok,,1\r\n"
        << 0600 << none << 0 << QByteArray() << 0600 << 0 << "!line 2: a broken quote";
    QTest::newRow("text after a closing quote")
        << kHeader + "2026,A,/dev/x,5,a,v2.0,\"U\"x,1,ok,,1\r\n"
        << 0600 << none << 0 << QByteArray() << 0600 << 0 << "!line 2: a broken quote";
    QTest::newRow("last row cut") << kHeader + kOldRow.chopped(2) << 0600 << none << 0
                                  << QByteArray() << 0600 << 0 << "!line 2: a broken quote";
    QTest::newRow("unit not a number")
        << kHeader + "2026,A,/dev/x,five,a,v2.0,U,1,ok,,1\r\n"
        << 0600 << none << 0 << QByteArray() << 0600 << 0 << "!line 2 is not a row of 11 fields";
    QTest::newRow("field missing")
        << kHeader + "2026,A,/dev/x,5,a,v2.0,U,1,ok,1\r\n"
        << 0600 << none << 0 << QByteArray() << 0600 << 0 << "!line 2 is not a row of 11 fields";
}

void TestReport::appendsAndReadsBack() {
    QFETCH(QByteArray, existing);
    QFETCH(int, modeBefore);
    QFETCH(QStringList, rows);
    QFETCH(int, offsetSeconds);
    QFETCH(QByteArray, added);
    QFETCH(int, modeAfter);
    QFETCH(int, highest);
    QFETCH(QString, done);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.csv"));
    if (existing != "-") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(existing);
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(modeBefore)) == 0);
    }
    QString error;
    if (!rows.isEmpty()) {
        ProvisionReport report;
        QVERIFY2(report.open(path, error), qPrintable(error));
        for (const QString& row : rows)
            QVERIFY2(report.append(rowOf(row, offsetSeconds), error), qPrintable(error));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), (existing == "-" ? QByteArray() : existing) + added);
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 0777), modeAfter);

    const auto history = ProvisionReport::readHistory(path, error);
    if (done.startsWith(u'!')) {
        QVERIFY(!history);
        QVERIFY2(error.contains(done.mid(1)) && error.contains(path), qPrintable(error));
        return;
    }
    QVERIFY2(history, qPrintable(error));
    QCOMPARE(history->highestUnit, highest);
    QStringList seen = history->doneAddresses.values();
    seen.sort();
    QCOMPARE(seen.join(u','), done);
}

void TestReport::refusesWhatCannotBeKept() {
    QTemporaryDir dir;
    QString error;
    const QString missing = dir.filePath(QStringLiteral("none/report.csv"));
    QVERIFY(!ProvisionReport().open(missing, error));
    QVERIFY2(error.contains(missing), qPrintable(error));

    // A disk that is full: the header of a new report is not kept, nor any row.
    ProvisionReport full;
    error.clear();
    QVERIFY(!full.open(QStringLiteral("/dev/full"), error));
    QVERIFY2(error.contains(QLatin1String("/dev/full")), qPrintable(error));
    error.clear();
    QVERIFY(!full.append(rowOf(QStringLiteral("1|a|U|ok|"), 0), error));
    QVERIFY(!error.isEmpty());

    const auto history = ProvisionReport::readHistory(missing, error);
    QVERIFY(history && history->highestUnit == 0 && history->doneAddresses.isEmpty());
}

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
