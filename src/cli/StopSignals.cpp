#include "StopSignals.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace tavixat::stopsignals {

namespace {

// Lock-free, so safe in a handler; two signals may be taken by two threads at once.
std::atomic<int> received{0};
volatile std::sig_atomic_t firstSignal = 0;
volatile std::sig_atomic_t lastSignal = 0;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void onSignal(int signal) {
    if (received.fetch_add(1) == 0)
        firstSignal = signal;
    lastSignal = signal;
}

} // namespace

void install() {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Without SA_RESTART a write to a closed pipe or a sleep returns at once.
    action.sa_flags = 0;
    for (const int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
}

int count() {
    return std::min(received.load(), 2);
}

int first() {
    return firstSignal;
}

int last() {
    return lastSignal;
}

void endIfStoppedBeforeRun() {
    if (received == 0)
        return;
    const int signal = last();
    std::fprintf(stderr, "tavixat-cli: stopped by %s.\n", qPrintable(name(signal)));
    std::fflush(nullptr);
    std::_Exit(128 + signal);
}

QString name(int signal) {
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGPIPE:
        return QStringLiteral("SIGPIPE");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

} // namespace tavixat::stopsignals
