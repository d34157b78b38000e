#include "InstalledFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavixat::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kPackDeadline = 600s;
constexpr auto kToolDeadline = 60s;

// One line of `dpkg-deb -c`: "drwxr-xr-x root/root 0 2024-01-01 00:00 ./usr/bin/".
struct PackedEntry {
    QString mode;
    QString owner;
    QString path;
};

QList<PackedEntry> parseContents(const QString& listing) {
    QList<PackedEntry> entries;
    for (const QString& line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        if (parts.size() >= 6)
            entries.append({parts.at(0), parts.at(1), parts.at(5)});
    }
    return entries;
}

// Package names of a Depends field, without versions and alternatives split apart.
QStringList dependencyNames(const QString& depends) {
    QStringList names;
    static const QRegularExpression separator(QStringLiteral("[,|]"));
    for (const QString& item : depends.split(separator, Qt::SkipEmptyParts))
        names << item.trimmed().section(u' ', 0, 0).section(u':', 0, 0);
    return names;
}

} // namespace

// The .deb that cpack makes from this build: what apt needs to install it, and its files.
class TestDebPackage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void controlField_data();
    void controlField();
    void dependsOn_data();
    void dependsOn();
    void holdsTheInstalledFilesUnderUsr();

private:
    QString field(const QString& name) const;

    QTemporaryDir output_;
    QString deb_;
    QString contents_;
};

void TestDebPackage::initTestCase() {
    for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps", "file"}) {
        if (!hasProgram(QString::fromLatin1(tool)))
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps)")
                                 .arg(QLatin1String(tool))));
    }
    QVERIFY(output_.isValid());
    const ProgramRun pack =
        runProgram(QStringLiteral(TAVIXAT_CPACK_COMMAND),
                   {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                    QStringLiteral(TAVIXAT_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                    output_.path()},
                   kPackDeadline);
    QVERIFY2(pack.finished && pack.exitCode == 0, qPrintable(pack.summary()));

    const QStringList debs = QDir(output_.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    deb_ = output_.filePath(debs.first());
    const ProgramRun list =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb_}, kToolDeadline);
    QVERIFY2(list.finished && list.exitCode == 0, qPrintable(list.summary()));
    contents_ = list.out;
}

QString TestDebPackage::field(const QString& name) const {
    const ProgramRun run =
        runProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb_, name}, kToolDeadline);
    return run.exitCode == 0 ? run.out.trimmed() : QString();
}

void TestDebPackage::controlField_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    const ProgramRun architecture =
        runProgram(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}, kToolDeadline);
    QTest::newRow("name") << "Package"
                          << "tavixat-setup";
    QTest::newRow("version") << "Version" << TAVIXAT_PROJECT_VERSION;
    QTest::newRow("this machine's architecture") << "Architecture" << architecture.out.trimmed();
}

void TestDebPackage::controlField() {
    QFETCH(QString, name);
    QTEST(field(name), "value");
}

void TestDebPackage::dependsOn_data() {
    QTest::addColumn<QString>("package");
    // What the programs link: worked out from the binaries, so a missing one means the
    // package would install and then fail to start.
    for (const char* package : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6",
                                "libc6", "libstdc++6"})
        QTest::newRow(package) << QString::fromLatin1(package);
}

void TestDebPackage::dependsOn() {
    QFETCH(QString, package);
    const QString depends = field(QStringLiteral("Depends"));
    QVERIFY2(dependencyNames(depends).contains(package), qPrintable(depends));
}

void TestDebPackage::holdsTheInstalledFilesUnderUsr() {
    const QList<PackedEntry> entries = parseContents(contents_);
    QVERIFY2(!entries.isEmpty(), qPrintable(contents_));
    QStringList files;
    for (const PackedEntry& entry : entries) {
        const QString where = entry.path + QLatin1Char(' ') + entry.mode;
        QVERIFY2(entry.path == QLatin1String("./") ||
                     entry.path.startsWith(QLatin1String("./usr/")),
                 qPrintable(where));
        QCOMPARE(entry.owner, QStringLiteral("root/root"));
        // Readable by every user, whatever umask the package was built under.
        if (entry.mode.startsWith(u'd'))
            QVERIFY2(entry.mode == QLatin1String("drwxr-xr-x"), qPrintable(where));
        else
            QVERIFY2(entry.mode == QLatin1String("-rw-r--r--") ||
                         entry.mode == QLatin1String("-rwxr-xr-x"),
                     qPrintable(where));
        if (!entry.mode.startsWith(u'd'))
            files << entry.path.mid(int(qstrlen("./usr/")));
    }
    files.sort();
    QCOMPARE(files, expectedInstalledFiles());
}

QTEST_MAIN(TestDebPackage)
#include "test_debpackage.moc"
