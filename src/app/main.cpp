#include "DeviceState.h"
#include "Pictures.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // No application name: the settings store is then the one file named after the organisation.
    QApplication::setOrganizationName(QStringLiteral("TavixAT Setup"));
    QApplication::setWindowIcon(tavixat::applicationIcon());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tavixat.Setup"));

    tavixat::QtPlatform platform;
    tavixat::QtSerialPort port;
    tavixat::modComm comm(port, platform);
    tavixat::DeviceState device;
    tavixat::frmMain window(platform, comm, device);
    window.show();
    // The program ends when its window closes; closing it closes the port.
    return QApplication::exec();
}
