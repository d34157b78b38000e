#include "LampWatcher.h"
#include "StatusLamp.h"
#include "frmMain.h"

#include <QTest>

using namespace tavixat;
using namespace tavixat::bench;

using Colours = QList<QColor>;

// The connect time ends at the lamp's first green paint after the click: not at a red paint, not
// at a green one from an earlier connection, and not merely when the colour is set.
class TestLampWatcher : public QObject {
    Q_OBJECT

private slots:
    void firstGreenPaint_data();
    void firstGreenPaint();
    void settingTheColourIsNotSeeing();
};

namespace {

const QColor kGreen = frmMain::kConnectedColor;
const QColor kRed = frmMain::kDisconnectedColor;

void paintIn(StatusLamp& lamp, const QColor& colour) {
    lamp.setFillColor(colour);
    lamp.repaint();
}

} // namespace

void TestLampWatcher::firstGreenPaint_data() {
    QTest::addColumn<Colours>("paintsBeforeStart");
    QTest::addColumn<Colours>("paintsAfterStart");
    QTest::addColumn<bool>("seen");

    QTest::newRow("green at once") << Colours{} << Colours{kGreen} << true;
    QTest::newRow("red while connecting, then green")
        << Colours{} << Colours{kRed, kRed, kGreen} << true;
    QTest::newRow("only red") << Colours{} << Colours{kRed, kRed} << false;
    QTest::newRow("green of the last connection does not count")
        << Colours{kGreen} << Colours{kRed} << false;
    QTest::newRow("green again after a new start")
        << Colours{kGreen, kRed} << Colours{kRed, kGreen} << true;
}

void TestLampWatcher::firstGreenPaint() {
    QFETCH(Colours, paintsBeforeStart);
    QFETCH(Colours, paintsAfterStart);
    QFETCH(bool, seen);

    StatusLamp lamp;
    lamp.resize(17, 17);
    lamp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lamp));
    LampWatcher watcher(lamp);

    watcher.start();
    for (const QColor& colour : paintsBeforeStart)
        paintIn(lamp, colour);
    watcher.start();
    for (const QColor& colour : paintsAfterStart)
        paintIn(lamp, colour);

    QCOMPARE(watcher.greenAfterMs() >= 0, seen);
    if (seen)
        QVERIFY(watcher.greenAfterMs() <= watcher.elapsedMs());
}

void TestLampWatcher::settingTheColourIsNotSeeing() {
    StatusLamp lamp;
    lamp.resize(17, 17);
    lamp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lamp));
    LampWatcher watcher(lamp);
    watcher.start();

    lamp.setFillColor(kGreen);
    QCOMPARE(watcher.greenAfterMs(), -1.0);
    QTRY_VERIFY(watcher.greenAfterMs() >= 0);
}

QTEST_MAIN(TestLampWatcher)
#include "test_lampwatcher.moc"
