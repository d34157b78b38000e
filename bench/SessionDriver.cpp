// Times the two device sequences of the real window against a device that answers at once:
// Connect, from the click to the lamp painted green, and Save settings as a Master (nine
// commands). The window runs with the real Qt serial port and Qt platform; only message boxes
// are recorded instead of shown. The caller points COM1 at the device through the settings
// store. Prints "connect_ms <ms>" and "save_ms <ms>" once per run; exits with 1, saying why,
// when a sequence does not end as a healthy device makes it end.

#include "DeviceState.h"
#include "LampWatcher.h"
#include "QtSerialPort.h"
#include "RecordingPlatform.h"
#include "StatusLamp.h"
#include "frmMain.h"
#include "modComm.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace tavixat;
using namespace tavixat::bench;

namespace {

constexpr int kDefaultRuns = 5;
constexpr std::chrono::milliseconds kExposeTimeout{5000};
constexpr std::chrono::milliseconds kPaintTimeout{2000};
constexpr std::chrono::milliseconds kPauseBetweenRuns{200};
const QString kPeerAddress = QStringLiteral("0012 34 56 789a");

void fail(const QString& what, const RecordingPlatform& platform) {
    std::fprintf(stderr, "session: %s\n", qPrintable(what));
    for (const QString& message : platform.messages)
        std::fprintf(
            stderr, "  message: %s\n",
            qPrintable(QString(message).replace(QStringLiteral("\r\n"), QStringLiteral(" "))));
    std::exit(1);
}

void processEventsFor(std::chrono::milliseconds span) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < span.count())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool waitUntilExposed(const frmMain& window) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kExposeTimeout.count()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (window.windowHandle() != nullptr && window.windowHandle()->isExposed())
            return true;
    }
    return false;
}

bool isConnected(const frmMain& window) {
    return window.cmdConnect->text() == QStringLiteral("Disconnect");
}

// From the click to the first paint of the green lamp.
double timeConnect(frmMain& window, LampWatcher& lamp, RecordingPlatform& platform) {
    platform.messages.clear();
    lamp.start();
    window.cmdConnect_Click();
    if (!isConnected(window))
        fail(QStringLiteral("Connect did not connect"), platform);
    const double deadline = lamp.elapsedMs() + double(kPaintTimeout.count());
    while (lamp.greenAfterMs() < 0 && lamp.elapsedMs() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    if (lamp.greenAfterMs() < 0)
        fail(QStringLiteral("the lamp was never painted green"), platform);
    return lamp.greenAfterMs();
}

void chooseMasterWithPeer(frmMain& window, RecordingPlatform& platform) {
    window.OptMaster->click();
    window.txtAddr->setText(kPeerAddress);
    if (!window.chkMaster->isChecked())
        fail(QStringLiteral("the Master role could not be chosen"), platform);
}

double timeSave(frmMain& window, RecordingPlatform& platform) {
    platform.messages.clear();
    QElapsedTimer timer;
    timer.start();
    window.cmdWrite_Click();
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    if (platform.messages != QStringList{QStringLiteral("Settings saved!")})
        fail(QStringLiteral("Save settings did not report success"), platform);
    return elapsed;
}

void disconnectDevice(frmMain& window, RecordingPlatform& platform) {
    window.cmdConnect_Click();
    if (isConnected(window))
        fail(QStringLiteral("Disconnect left the window connected"), platform);
}

int runsFromArguments(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    return runs > 0 ? runs : kDefaultRuns;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TavixAT Setup"));
    const int runs = runsFromArguments(argc, argv);

    RecordingPlatform platform;
    QtSerialPort port;
    modComm comm(port, platform);
    DeviceState device;
    frmMain window(platform, comm, device);
    window.show();
    if (!waitUntilExposed(window))
        fail(QStringLiteral("the window was never exposed"), platform);
    LampWatcher lamp(*window.shpStatus);

    for (int run = 0; run < runs; ++run) {
        processEventsFor(kPauseBetweenRuns);
        const double connectMs = timeConnect(window, lamp, platform);
        chooseMasterWithPeer(window, platform);
        const double saveMs = timeSave(window, platform);
        disconnectDevice(window, platform);
        std::printf("connect_ms %.1f\nsave_ms %.1f\n", connectMs, saveMs);
        std::fflush(stdout);
    }
    return 0;
}
