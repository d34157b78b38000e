#include "Packaging.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tavixat::test;

// `cmake --install` of this build into an empty prefix: the files a desktop needs are there,
// and its own tools accept them.
class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir prefix_;

private slots:
    void initTestCase();
    void installsTheFiles();
    void validatorsAccept_data();
    void validatorsAccept();
};

void TestInstall::initTestCase() {
    const ProgramRun run = runProgram(
        {TAVIXAT_CMAKE_COMMAND, "--install", TAVIXAT_BUILD_DIR, "--prefix", prefix_.path()});
    QVERIFY2(run.ok, qPrintable(run.output));
}

void TestInstall::installsTheFiles() {
    for (const QString& file : kInstalledFiles)
        QVERIFY2(QFileInfo::exists(prefix_.filePath(file)), qPrintable(file));
}

void TestInstall::validatorsAccept_data() {
    QTest::addColumn<QStringList>("command");
    QTest::newRow("desktop entry")
        << QStringList{"desktop-file-validate", prefix_.filePath(kInstalledFiles.at(2))};
    QTest::newRow("metainfo") << QStringList{"appstreamcli", "validate", "--no-net", "--strict",
                                             prefix_.filePath(kInstalledFiles.at(3))};
    QTest::newRow("metainfo with its desktop entry and icon")
        << QStringList{"appstreamcli", "validate-tree", "--no-net", "--strict", prefix_.path()};
}

void TestInstall::validatorsAccept() {
    QFETCH(QStringList, command);
    const ProgramRun run = runProgram(command);
    // desktop-file-validate reports problems, yet exits with 0.
    QVERIFY2(run.ok && !run.output.contains(".desktop: "), qPrintable(run.output));
}

QTEST_MAIN(TestInstall)
#include "test_install.moc"
