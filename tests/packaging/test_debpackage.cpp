#include "Packaging.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tavixat::test;

// The .deb that cpack makes from this build: what apt needs to install it, and its files.
class TestDebPackage : public QObject {
    Q_OBJECT
    QTemporaryDir output_;
    QString deb_;

private slots:
    void initTestCase();
    void dependsOnTheQtLibraries();
    void holdsReadableFilesUnderUsr();
};

void TestDebPackage::initTestCase() {
    const ProgramRun pack =
        runProgram({TAVIXAT_CPACK_COMMAND, "-G", "DEB", "--config",
                    TAVIXAT_BUILD_DIR "/CPackConfig.cmake", "-B", output_.path()},
                   600'000);
    QVERIFY2(pack.ok, qPrintable(pack.output));
    deb_ = output_.filePath(QDir(output_.path()).entryList({QStringLiteral("*.deb")}).value(0));
}

void TestDebPackage::dependsOnTheQtLibraries() {
    // Worked out from what the programs link: one missing, and the package would install and
    // then fail to start.
    const ProgramRun depends = runProgram({"dpkg-deb", "-f", deb_, "Depends"});
    const QStringList names = depends.output.split(QRegularExpression("[\\s,|]+"));
    for (const char* package : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6"})
        QVERIFY2(depends.ok && names.contains(package), qPrintable(depends.output));
}

void TestDebPackage::holdsReadableFilesUnderUsr() {
    // One line an entry: "drwxr-xr-x root/root 0 2024-01-01 00:00 ./usr/bin/".
    const ProgramRun list = runProgram({"dpkg-deb", "-c", deb_});
    QVERIFY2(list.ok, qPrintable(list.output));
    for (const QString& line : list.output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString path = line.section(u' ', -1);
        QVERIFY2(path == "./" || path.startsWith("./usr/"), qPrintable(line));
        // Readable by every user, whatever umask the package was built under.
        QVERIFY2(line.contains(QRegularExpression("^(-rw-r--r--|[-d]rwxr-xr-x) root/root ")),
                 qPrintable(line));
    }
    QVERIFY2(list.output.contains(" ./usr/bin/tavixat-setup\n"), qPrintable(list.output));
}

QTEST_MAIN(TestDebPackage)
#include "test_debpackage.moc"
