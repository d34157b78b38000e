// tavixat-cli provision on several PCs' worth of jigs sharing one batch in a real PostgreSQL
// server, and reading the URL of the database.
#include "DatabaseUrl.h"
#include "Jigs.h"
#include "PostgresServer.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <csignal>
#include <memory>

using namespace tavixat;

namespace {

// The rows "<prefix><k> ok" of such jigs.
QStringList okRows(const QStringList& prefixes, int modules = 2) {
    QStringList rows;
    for (const QString& prefix : prefixes)
        for (int k = 1; k <= modules; ++k)
            rows << QStringLiteral("%1%2 ok").arg(prefix).arg(k, 2, 10, QChar(u'0'));
    return rows;
}

// What the jigs whose logs are at the paths heard.
QString logsOf(const QStringList& paths) {
    QString log;
    for (const QString& path : paths)
        log += readFile(path);
    return log;
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void factory_data();
    void factory();

private:
    QList<QStringList> report(const QString& batch, const QString& database = "postgres");

    PostgresServer server_;
    QTemporaryDir dir_;
};

void TestDatabase::initTestCase() {
    QString error;
    QVERIFY2(server_.start(error), qPrintable(error));
    // The tables, made by their owner's first run; then a role for the stations, as the README
    // grants it.
    QCOMPARE(report("none").size(), 1);
    QSqlDatabase owner = QSqlDatabase::addDatabase("QPSQL", "owner");
    DatabaseUrl::parse(server_.url(), error)->applyTo(owner);
    QVERIFY2(owner.open(), qPrintable(owner.lastError().text()));
    for (const char* statement :
         {"INSERT INTO tavixat_batches VALUES ('given', 8)", "CREATE ROLE station LOGIN",
          "GRANT SELECT, INSERT, UPDATE ON tavixat_schema, "
          "tavixat_batches, tavixat_modules TO station"})
        QVERIFY2(QSqlQuery(owner).exec(statement), statement);
    // Tables of version 1, from before kits, with a row: brought to this version by a report.
    QVERIFY(QSqlQuery(owner).exec("CREATE DATABASE before_kits"));
    QSqlDatabase old = QSqlDatabase::addDatabase("QPSQL", "old");
    DatabaseUrl::parse(server_.url().replace("///postgres", "///before_kits"), error)->applyTo(old);
    QVERIFY2(old.open(), qPrintable(old.lastError().text()));
    for (const char* statement :
         {"CREATE TABLE tavixat_schema (version integer NOT NULL)",
          "INSERT INTO tavixat_schema VALUES (1)",
          "CREATE TABLE tavixat_batches (name text PRIMARY KEY, next_unit integer NOT NULL)",
          "INSERT INTO tavixat_batches VALUES ('b', 2)",
          "CREATE TABLE tavixat_modules (batch text NOT NULL REFERENCES tavixat_batches (name), "
          "unit integer NOT NULL, time timestamptz NOT NULL, pc text NOT NULL, station text NOT "
          "NULL, device text NOT NULL, own_address text NOT NULL, firmware text NOT NULL, name "
          "text NOT NULL, pin text NOT NULL, result text NOT NULL, detail text NOT NULL, seconds "
          "double precision NOT NULL)",
          "CREATE UNIQUE INDEX tavixat_modules_unit ON tavixat_modules (batch, unit) "
          "WHERE result <> 'skipped'",
          "INSERT INTO tavixat_modules VALUES ('b', 1, now(), 'pc', 's', 'd', 'a', 'v', 'n', "
          "'1', 'ok', '', 1)"})
        QVERIFY2(QSqlQuery(old).exec(statement), statement);
    const QList<QStringList> rows = report({}, "before_kits");
    QCOMPARE(rows.value(0).mid(11), QStringList({"partner", "pc", "batch"}));
    QCOMPARE(rows.value(1).mid(3, 2) + rows.value(1).mid(11),
             QStringList({"1", "a", "", "pc", "b"}));
}

QList<QStringList> TestDatabase::report(const QString& batch, const QString& database) {
    QProcess cli;
    const QString url = server_.url().replace("///postgres", "///" + database);
    cli.start(TAVIXAT_CLI_PATH,
              QStringList{"report", "--database", url} +
                  (batch.isEmpty() ? QStringList() : QStringList{"--batch", batch}));
    if (!cli.waitForFinished(20000) || cli.exitCode() != 0)
        return {{"report failed: " + cli.readAllStandardError()}};
    return csvRows(cli.readAllStandardOutput());
}

void TestDatabase::factory_data() {
    QTest::addColumn<QStringList>("pcs"); // each: its arguments, then "|" and its jigs by ";"
    // What happens mid-run, once the first PC's first jig heard "<NAME=": KILL (SIGKILL to the
    // first PC, started again when the others end), PGSTOP (the server stopped at once and
    // started 4 s later) or PGDOWN (stopped until the PCs end).
    QTest::addColumn<QString>("event");
    QTest::addColumn<QList<int>>("exitCodes");
    QTest::addColumn<QStringList>("rows"); // "own_address result", sorted
    QTest::addColumn<QString>("said");     // in the first PC's standard error

    QTest::newRow("two PCs, three jigs each, one batch")
        << QStringList{"--count 6|" + jigOf("00000000a1", 2) + ";" + jigOf("00000000a2", 2) + ";" +
                           jigOf("00000000a3", 2),
                       "--count 6|" + jigOf("00000000b1", 2) + ";" + jigOf("00000000b2", 2) + ";" +
                           jigOf("00000000b3", 2)}
        << QString() << QList<int>{0, 0}
        << okRows(
               {"00000000a1", "00000000a2", "00000000a3", "00000000b1", "00000000b2", "00000000b3"})
        << QString();
    QTest::newRow("a module moved to the other PC after its ok is skipped there")
        << QStringList{"--count 1|--jig 00000000a101:4000:60000",
                       "--count 2|--jig 00000000b101:4000:500,00000000a101:2500:500,"
                       "00000000b102:4000:60000"}
        << QString() << QList<int>{0, 0}
        << QStringList{"00000000a101 ok", "00000000a101 skipped", "00000000b101 ok",
                       "00000000b102 ok"}
        << QString();
    QTest::newRow("killed mid-save: the started row stays, a restart numbers on")
        << QStringList{"--count 1|--jig 00000000a101:60000:100 --latency 150",
                       "--count 2|" + jigOf("00000000b1", 2)}
        << "KILL" << QList<int>{0, 0}
        << QStringList{"00000000a101 ok", "00000000a101 started", "00000000b101 ok",
                       "00000000b102 ok"}
        << QString();
    QTest::newRow("the server stopped mid-run and started again")
        << QStringList{"--count 4|" + jigOf("00000000a1", 2, "9000:1500") + " --latency 100;" +
                       jigOf("00000000a2", 2, "9000:1500")}
        << "PGSTOP" << QList<int>{0} << okRows({"00000000a1", "00000000a2"})
        << "cannot be reached: ";
    QTest::newRow("the server stopped until the end: the row is named")
        << QStringList{"--count 1|--jig 00000000a101:60000:100 --latency 150"} << "PGDOWN"
        << QList<int>{7} << QStringList{"00000000a101 started"}
        << "1 row never reached the database and is only in the report";
    QTest::newRow("a station's role with SELECT, INSERT and UPDATE only")
        << QStringList{"--count 2 --first 41 --as-station|" + jigOf("00000000a1", 2)} << QString()
        << QList<int>{0} << okRows({"00000000a1"}) << QString();
    QStringList eight, prefixes; // eight PCs of one jig each
    for (int pc = 1; pc <= 8; ++pc)
        prefixes << QStringLiteral("00000000c%1").arg(pc),
            eight << "--count 2|" + jigOf(prefixes.last(), 2, "7000:1000");
    QTest::newRow("eight PCs at once on one batch")
        << eight << QString() << QList<int>(8, 0) << okRows(prefixes) << QString();
    QTest::newRow("kits of two share a unit")
        << QStringList{"--count 2 --pairs|" + jigOf("00000000d1", 2) + ";" + jigOf("00000000d2", 2)}
        << QString() << QList<int>{0} << okRows({"00000000d1", "00000000d2"}) << QString();
    // Refused before any port opens.
    QTest::newRow("a password in the URL")
        << QStringList{"--count 1 --database postgresql://ops:pw@h/p|--jig 00000000a101:1:60000"}
        << QString() << QList<int>{1} << QStringList() << "put it in ~/.pgpass";
    QTest::newRow("a database that cannot be reached")
        << QStringList{"--count 1 --database postgresql:///p?host=/none|--jig 00000000a101:1:6"}
        << QString() << QList<int>{7} << QStringList()
        << "postgresql:///p?host=/none cannot be reached: connection to server on socket "
           "\"/none/.s.PGSQL.5432\" failed: No such file or directory.\n";
    QTest::newRow("a --first the batch has given")
        << QStringList{"--first 5 --batch given|--jig 00000000a101:1:60000"} << QString()
        << QList<int>{1} << QStringList() << "the batch given already has units up to 7; give";
}

void TestDatabase::factory() {
    QFETCH(QStringList, pcs);
    QFETCH(QString, event);
    // A batch of the row's own, named as its profile is.
    static int rowNumber = 0;
    const QString batch = QStringLiteral("batch%1").arg(++rowNumber);
    const QString profile = dir_.filePath(batch + ".ini");
    QVERIFY(writeFile(profile, "[Module]\nname=Unit-{n:3}\n"));

    // Each PC: its provision process, its arguments and its jigs' logs.
    std::vector<std::unique_ptr<QProcess>> jigs, clis;
    QList<QStringList> args, logs(pcs.size());
    for (const QString& pc : pcs) {
        args << QStringList{"provision",  profile,
                            "--database", server_.url(),
                            "--report",   dir_.filePath(batch + "-pc%1.csv").arg(args.size())};
        for (const QString& jig : pc.section('|', 1).split(';')) {
            const QString link = dir_.filePath(batch + "-line%1").arg(jigs.size());
            jigs.push_back(std::make_unique<QProcess>());
            jigs.back()->setStandardErrorFile(logs[args.size() - 1].emplace_back(link + ".log"));
            jigs.back()->start(TAVIXAT_SIM_PATH, QStringList{"--link", link} + jig.split(' '));
            QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(link); }, 5000));
            args.last() << "--port" << link;
        }
        args.last() += pc.section('|', 0, 0).split(' ');
        if (args.last().removeAll("--as-station"))
            args.last()[3].replace("user=tavixat", "user=station");
        if (args.last().count("--database") == 2) // the row's own, in place of the server's
            args.last().remove(2, 2);
        clis.push_back(std::make_unique<QProcess>());
    }
    for (size_t i = 0; i < clis.size(); ++i)
        clis[i]->start(TAVIXAT_CLI_PATH, args[qsizetype(i)]);
    QProcess& first = *clis.front();
    const auto ended = [](QProcess& cli, int ms) {
        return QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, ms);
    };
    if (!event.isEmpty()) {
        QVERIFY(QTest::qWaitFor([&] { return logsOf(logs[0]).contains("<NAME="); }, 20000));
        QString error;
        if (event == "KILL") {
            first.kill();
            first.waitForFinished();
        } else {
            QVERIFY2(server_.stop("immediate", error), qPrintable(error));
            // A stop of 4 s does not end the run.
            QCOMPARE(ended(first, event == "PGDOWN" ? 30000 : 4000), event == "PGDOWN");
            QVERIFY2(server_.startAgain(error), qPrintable(error));
        }
    }
    for (const auto& cli : clis)
        QVERIFY(&*cli == &first && event == "KILL" ? true : ended(*cli, 60000));
    const QString firstCrashed = first.readAllStandardError();
    if (event == "KILL") { // the module is still in its jig: set up anew, under a new unit
        first.start(TAVIXAT_CLI_PATH, args[0]);
        QVERIFY(ended(first, 30000));
    }
    QList<int> codes;
    for (const auto& cli : clis)
        codes << cli->exitCode();
    const QString told = firstCrashed + first.readAllStandardError();
    QTEST(codes, "exitCodes");
    QFETCH(QString, said);
    QVERIFY2(said.isEmpty() ? !told.contains("tavixat-cli:") : told.contains(said),
             qPrintable(told));
    if (event.isEmpty() && (codes.first() == 1 || codes.first() == 7)) // refused at the start
        QVERIFY2(!logsOf(logs[0]).contains("<PING>"), qPrintable(logsOf(logs[0])));

    const QList<QStringList> got = report(batch);
    QStringList seen;
    QSet<int> units;
    QSet<QString> given, links; // units by partner; "unit own partner" of kits
    QHash<QString, int> okUnit;
    int saved = 0; // modules that were sent their name
    for (const QStringList& paths : logs)
        saved += int(logsOf(paths).count("<NAME="));
    QCOMPARE(got.value(0), QString("time,station,device,unit,own_address,firmware,name,pin,result,"
                                   "detail,seconds,partner,pc,batch")
                               .split(','));
    for (const QStringList& r : got.mid(1)) {
        QCOMPARE(r.size(), 14);
        QCOMPARE(r[13], batch);
        seen << r[4] + ' ' + r[8];
        if (r[8] == "skipped")
            continue;
        QVERIFY2(!given.contains(r[3] + r[11]), qPrintable("unit given twice: " + r.join(',')));
        given << r[3] + r[11], units << r[3].toInt();
        if (!r[11].isEmpty())
            links << r[3] + ' ' + r[4] + ' ' + r[11];
        okUnit[r[8] == "ok" ? r[4] : QString()] = r[3].toInt();
        if (r[8] == "ok") // a name of its own: numbered by its unit
            QCOMPARE(r[6], QStringLiteral("Unit-%1").arg(r[3].toInt(), 3, 10, QChar(u'0')));
    }
    for (const QStringList& r : got.mid(1))
        if (r[8] == "skipped") // a skipped module names the unit of its ok
            QCOMPARE(r[3].toInt(), okUnit.value(r[4]));
    seen.sort();
    QFETCH(QStringList, rows);
    QCOMPARE(seen, rows);
    QCOMPARE(given.size(), rows.size() - int(rows.filter("skipped").size()));
    for (const QString& link : links) // the partner has this module as its partner
        QVERIFY2(links.contains(link.section(' ', 0, 0) + ' ' + link.section(' ', 2) + ' ' +
                                link.section(' ', 1, 1)),
                 qPrintable(link));
    const int from = std::max(1, pcs[0].section("--first ", 1).section(' ', 0, 0).toInt());
    for (int unit = from; unit < from + int(units.size()); ++unit) // numbered on, without a gap
        QVERIFY2(units.contains(unit), qPrintable(QString::number(unit)));
    // No module was saved without its unit: each that heard its name has a row with a unit.
    QCOMPARE(saved, int(given.size()));
    for (const auto& jig : jigs)
        jig->kill(), jig->waitForFinished();
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
