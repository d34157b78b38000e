#include "CliArguments.h"
#include "CliSession.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // The window's settings store: the same stored port and [Ports] entries.
    QCoreApplication::setOrganizationName(QStringLiteral("TavixAT Setup"));

    const tavixat::CliArguments parsed = tavixat::parseCliArguments(app.arguments().mid(1));
    switch (parsed.command) {
    case tavixat::CliArguments::Command::Print:
        std::fputs(parsed.text.toLocal8Bit().constData(), parsed.exitCode == 0 ? stdout : stderr);
        return parsed.exitCode;
    case tavixat::CliArguments::Command::ListPorts:
        return tavixat::listPorts();
    case tavixat::CliArguments::Command::Session:
        return tavixat::runSession(parsed.session);
    }
    return tavixat::kExitUsage;
}
