#include "TerminationSignals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tavixat::sim {

namespace {

// The handler may touch nothing but this.
int gPipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(gPipe[1], &byte, 1);
}

} // namespace

TerminationSignals::~TerminationSignals() {
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    for (int& fd : gPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool TerminationSignals::install() {
    if (pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        if (sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    return true;
}

int TerminationSignals::fd() const {
    return gPipe[0];
}

} // namespace tavixat::sim
