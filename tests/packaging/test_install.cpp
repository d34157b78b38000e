#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` of this build into an empty prefix: the files a desktop needs are there,
// and its own tools accept them.
class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir prefix_;

private slots:
    void initTestCase() {
        QVERIFY(QProcess::execute(TAVIXAT_CMAKE_COMMAND, {"--install", TAVIXAT_BUILD_DIR,
                                                          "--prefix", prefix_.path()}) == 0);
    }
    void accepted_data();
    void accepted();
};

void TestInstall::accepted_data() {
    QTest::addColumn<QStringList>("command");
    const QString share = prefix_.filePath("share/");
    QTest::newRow("one file of each kind")
        << QStringList{"ls",
                       prefix_.filePath("bin/tavixat-setup"),
                       prefix_.filePath("bin/tavixat-sim"),
                       prefix_.filePath("bin/tavixat-cli"),
                       share + "icons/hicolor/48x48/apps/tavixat-setup.png",
                       share + "man/man1/tavixat-setup.1.gz",
                       share + "man/man1/tavixat-sim.1.gz",
                       share + "man/man1/tavixat-cli.1.gz"};
    QTest::newRow("desktop entry") << QStringList{
        "desktop-file-validate", share + "applications/io.github.tavixat.Setup.desktop"};
    QTest::newRow("metainfo with its desktop entry and icon")
        << QStringList{"appstreamcli", "validate-tree", "--no-net", "--strict", prefix_.path()};
}

void TestInstall::accepted() {
    QFETCH(QStringList, command);
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(command.takeFirst(), command);
    QVERIFY(run.waitForFinished());
    const QString output = run.readAll();
    // desktop-file-validate reports problems, yet exits with 0.
    QVERIFY2(run.exitCode() == 0 && !output.contains(".desktop: "), qPrintable(output));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
