#include "CommandLine.h"
#include "DeviceState.h"
#include "LinkTrace.h"
#include "Pictures.h"
#include "QtPlatform.h"
#include "QtSerialPort.h"
#include "frmMain.h"
#include "modComm.h"

#include <QApplication>
#include <QFile>
#include <cstdio>

namespace {

const QCommandLineOption kTraceOption{
    QStringLiteral("trace"),
    QStringLiteral("Write what goes over the line to <FILE>, a line per event, for whoever helps "
                   "with a module that does not answer. The file holds PIN codes: it is made "
                   "readable by you alone. TAVIXAT_TRACE=<FILE> in the environment does the same; "
                   "this option wins."),
    QStringLiteral("FILE")};

// The trace asked for, by the option or else the environment; empty: none.
QString tracePathOf(const QCommandLineParser& parser) {
    return parser.isSet(kTraceOption) ? parser.value(kTraceOption)
                                      : qEnvironmentVariable("TAVIXAT_TRACE");
}

} // namespace

int main(int argc, char* argv[]) {
    // Read before any display is needed, so that --help and --version work without one.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    tavixat::CommandLine commandLine(
        QStringLiteral("tavixat-setup"), QStringLiteral(TAVIXAT_VERSION),
        QStringLiteral("Usage: tavixat-setup [--trace FILE]\n"
                       "       tavixat-setup --help | --version\n"),
        QStringLiteral("Configure a TavixAT serial adapter module over a serial port.\n"
                       "\n"
                       "Opens the window. Adapters listed in /dev/serial/by-id get lasting\n"
                       "COM numbers; the port list's tooltips say which device each number "
                       "opens.\n"));
    commandLine.addOption(kTraceOption);
    if (const auto early = commandLine.parse(arguments, false))
        return tavixat::printEarlyExit(*early);

    QApplication app(argc, argv);
    // No application name: the settings store is then the one file named after the organisation.
    QApplication::setOrganizationName(QStringLiteral("TavixAT Setup"));
    QApplication::setWindowIcon(tavixat::applicationIcon());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tavixat.Setup"));

    tavixat::QtPlatform platform;
    tavixat::QtSerialPort port;
    QFile traceFile;
    tavixat::LinkTrace trace(platform, traceFile);
    tavixat::modComm comm(port, platform);
    if (const QString path = tracePathOf(commandLine.parser()); !path.isEmpty()) {
        QString error;
        if (!trace.openFile(traceFile, path, error)) {
            // Said twice: a window started from the menu has no terminal to say it on.
            std::fprintf(stderr, "tavixat-setup: %s\n", error.toLocal8Bit().constData());
            platform.showMessage(error, tavixat::MessageIcon::Error);
            return tavixat::kExitUsage;
        }
        comm.setObserver(&trace);
    }
    tavixat::DeviceState device;
    tavixat::frmMain window(platform, comm, device);
    trace.onWriteFailed = [&window](const QString& error) { window.reportTraceFailure(error); };
    window.show();
    // The program ends when its window closes; closing it closes the port.
    const int exitCode = QApplication::exec();
    trace.onWriteFailed = nullptr; // the window goes first
    return exitCode;
}
