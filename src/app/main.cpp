#include "DeviceState.h"
#include "Pictures.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: tavixat-setup [--help | --version]\n"
    "Configure a TavixAT serial adapter module over a serial port.\n"
    "\n"
    "Without an option, opens the window. Adapters listed in /dev/serial/by-id get lasting\n"
    "COM numbers; the port list's tooltips say which device each number opens.\n"
    "\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n";

// Answers --help and --version before any display is needed; -1 means: open the window.
int handleArguments(int argc, char* argv[]) {
    if (argc < 2)
        return -1;
    const char* argument = argv[1];
    if (argc == 2 && std::strcmp(argument, "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argument, "--version") == 0) {
        std::printf("tavixat-setup %s\n", TAVIXAT_VERSION);
        return 0;
    }
    const char* unknown =
        std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "--version") == 0 ? argv[2]
                                                                                        : argument;
    std::fprintf(stderr,
                 "tavixat-setup: unrecognized argument '%s'\n"
                 "Try 'tavixat-setup --help' for more information.\n",
                 unknown);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const int status = handleArguments(argc, argv); status >= 0)
        return status;
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
