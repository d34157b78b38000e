#include "InstalledFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavixat::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kInstallDeadline = 120s;
constexpr auto kToolDeadline = 60s;

const QString kDesktopEntry = QStringLiteral("share/applications/io.github.tavixat.Setup.desktop");
const QString kMetainfo = QStringLiteral("share/metainfo/io.github.tavixat.Setup.metainfo.xml");

// The keys of the [Desktop Entry] group.
QHash<QString, QString> readDesktopEntry(const QString& path) {
    QFile file(path);
    QHash<QString, QString> keys;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return keys;
}

// Manual pages as a reader sees them: plain ASCII, no pager, no hyphenation surprises.
QProcessEnvironment manEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("MANPAGER"), QStringLiteral("cat"));
    return environment;
}

} // namespace

// `cmake --install` of this build into an empty prefix: every file a desktop needs is there,
// nothing else is, and each passes the checks the desktop's own tools make.
class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void installsEveryFileAndNothingElse();
    void iconHasItsFolderSize_data();
    void iconHasItsFolderSize();
    void validatorsAccept_data();
    void validatorsAccept();
    void desktopEntryStartsInstalledProgram();
    void metainfoNamesThisRelease();
    void manPageRendersCleanly_data();
    void manPageRendersCleanly();
    void simManPageListsEveryOption();

private:
    QString installed(const QString& relative) const { return prefix_.filePath(relative); }

    QTemporaryDir prefix_;
};

void TestInstall::initTestCase() {
    QVERIFY(prefix_.isValid());
    const ProgramRun run =
        runProgram(QStringLiteral(TAVIXAT_CMAKE_COMMAND),
                   {QStringLiteral("--install"), QStringLiteral(TAVIXAT_BUILD_DIR),
                    QStringLiteral("--prefix"), prefix_.path()},
                   kInstallDeadline);
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.summary()));
}

void TestInstall::installsEveryFileAndNothingElse() {
    QCOMPARE(filesUnder(prefix_.path()), expectedInstalledFiles());
    for (const QString& program :
         {QStringLiteral("bin/tavixat-setup"), QStringLiteral("bin/tavixat-sim")})
        QVERIFY2(QFileInfo(installed(program)).isExecutable(), qPrintable(program));
}

void TestInstall::iconHasItsFolderSize_data() {
    QTest::addColumn<QSize>("size");
    for (const QSize& size : windowIconSizes())
        QTest::addRow("%dx%d", size.width(), size.height()) << size;
}

void TestInstall::iconHasItsFolderSize() {
    QFETCH(QSize, size);
    const QString path =
        installed(QStringLiteral("share/icons/hicolor/%1x%2/apps/tavixat-setup.png")
                      .arg(size.width())
                      .arg(size.height()));
    const QImage icon(path);
    QVERIFY2(!icon.isNull(), qPrintable(path));
    QCOMPARE(icon.size(), size);
}

void TestInstall::validatorsAccept_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("target");    // under the prefix
    QTest::addColumn<bool>("mustBeSilent"); // it reports warnings on stdout yet exits 0

    QTest::newRow("desktop entry")
        << "desktop-file-validate" << QStringList{} << kDesktopEntry << true;
    QTest::newRow("metainfo") << "appstreamcli" << QStringList{"validate", "--no-net", "--strict"}
                              << kMetainfo << false;
    QTest::newRow("metainfo with its desktop entry")
        << "appstreamcli" << QStringList{"validate-tree", "--no-net", "--strict"} << "." << false;
}

void TestInstall::validatorsAccept() {
    QFETCH(QString, program);
    QFETCH(QStringList, options);
    QFETCH(QString, target);
    QFETCH(bool, mustBeSilent);
    if (!hasProgram(program))
        QSKIP(qPrintable(program + QStringLiteral(" is not installed (scripts/install-deps)")));

    const ProgramRun run = runProgram(program, options << installed(target), kToolDeadline);
    QVERIFY2(run.finished && run.exitCode == 0, qPrintable(run.summary()));
    if (mustBeSilent)
        QVERIFY2(run.out.trimmed().isEmpty() && run.err.trimmed().isEmpty(),
                 qPrintable(run.summary()));
}

void TestInstall::desktopEntryStartsInstalledProgram() {
    const QHash<QString, QString> entry = readDesktopEntry(installed(kDesktopEntry));
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("TavixAT Setup"));

    // The menu runs Exec through the PATH, and looks Icon up by name in the icon theme.
    const QString program = entry.value(QStringLiteral("Exec")).section(u' ', 0, 0);
    QVERIFY2(QFileInfo(installed(QStringLiteral("bin/") + program)).isExecutable(),
             qPrintable(program));
    const QString icon = entry.value(QStringLiteral("Icon"));
    const QStringList sizes =
        QDir(installed(QStringLiteral("share/icons/hicolor")))
            .entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(!sizes.isEmpty());
    for (const QString& folder : sizes) {
        const QString path = QStringLiteral("share/icons/hicolor/%1/apps/%2.png").arg(folder, icon);
        QVERIFY2(QFileInfo::exists(installed(path)), qPrintable(path));
    }
}

void TestInstall::metainfoNamesThisRelease() {
    QFile file(installed(kMetainfo));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Software centres show the first release listed as the version they install.
    static const QRegularExpression release(QStringLiteral("<release\\s+version=\"([^\"]*)\""));
    QCOMPARE(release.match(QString::fromUtf8(file.readAll())).captured(1),
             QStringLiteral(TAVIXAT_PROJECT_VERSION));
}

void TestInstall::manPageRendersCleanly_data() {
    QTest::addColumn<QString>("program");
    QTest::newRow("tavixat-setup") << "tavixat-setup";
    QTest::newRow("tavixat-sim") << "tavixat-sim";
}

void TestInstall::manPageRendersCleanly() {
    QFETCH(QString, program);
    if (!hasProgram(QStringLiteral("man")))
        QSKIP("man is not installed (scripts/install-deps)");

    const QString page = installed(QStringLiteral("share/man/man1/%1.1.gz").arg(program));
    const ProgramRun run = runProgram(QStringLiteral("man"),
                                      {QStringLiteral("--warnings"), QStringLiteral("-l"), page},
                                      kToolDeadline, manEnvironment());
    QVERIFY2(run.finished && run.exitCode == 0 && run.err.isEmpty(), qPrintable(run.summary()));
    const QRegularExpression name(QStringLiteral("NAME\\s+%1\\s+-\\s+\\S").arg(program));
    QVERIFY2(run.out.contains(name), qPrintable(run.out.left(400)));
}

void TestInstall::simManPageListsEveryOption() {
    if (!hasProgram(QStringLiteral("man")))
        QSKIP("man is not installed (scripts/install-deps)");

    const ProgramRun help = runProgram(installed(QStringLiteral("bin/tavixat-sim")),
                                       {QStringLiteral("--help")}, kToolDeadline);
    QVERIFY2(help.finished && help.exitCode == 0, qPrintable(help.summary()));
    const ProgramRun page = runProgram(
        QStringLiteral("man"),
        {QStringLiteral("-l"), installed(QStringLiteral("share/man/man1/tavixat-sim.1.gz"))},
        kToolDeadline, manEnvironment());
    QVERIFY2(page.finished && page.exitCode == 0, qPrintable(page.summary()));

    // Each option the program offers is an entry of its own in OPTIONS, not just a mention.
    static const QRegularExpression option(QStringLiteral("^  (?:-\\w, )?(--[\\w-]+)"),
                                           QRegularExpression::MultilineOption);
    QStringList offered;
    for (const QRegularExpressionMatch& match : option.globalMatch(help.out))
        offered << match.captured(1);
    QVERIFY2(offered.size() > 5, qPrintable(help.out));
    for (const QString& name : offered) {
        const QRegularExpression entry(
            QStringLiteral("^ {7}(?:-\\w, )?%1\\b").arg(QRegularExpression::escape(name)),
            QRegularExpression::MultilineOption);
        QVERIFY2(page.out.contains(entry), qPrintable(name + QStringLiteral(" is not documented")));
    }
}

QTEST_MAIN(TestInstall)
#include "test_install.moc"
