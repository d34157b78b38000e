// Starts a program and times it from the start of its process to its window mapped on the X
// display, then reads its resident memory once it has settled, and ends it.
//
//   tavixat-bench-launch <title> <settle-ms> <program> [arguments...]
//
// <title> is a part of the window's title. Prints "startup_ms <ms>" and "rss_kb <kB>"; exits
// with 1, saying why, when the window does not appear or the program dies.

#include "ProcStatus.h"
#include "TopLevelMaps.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tavixat::bench;
using Clock = TopLevelMaps::Clock;

namespace {

constexpr std::chrono::seconds kMapTimeout{30};
constexpr std::chrono::seconds kExitGrace{2};
constexpr std::chrono::milliseconds kExitPoll{10};
constexpr int kExecFailed = 127;

int failure(const char* what) {
    std::fprintf(stderr, "tavixat-bench-launch: %s\n", what);
    return 1;
}

pid_t startProgram(char* argv[]) {
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv);
        _exit(kExecFailed);
    }
    return pid;
}

bool isRunning(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

// Asks politely first; a program that ignores it is killed after the grace time.
void endProgram(pid_t pid) {
    kill(pid, SIGTERM);
    const Clock::time_point giveUp = Clock::now() + kExitGrace;
    while (Clock::now() < giveUp) {
        int status = 0;
        const pid_t result = waitpid(pid, &status, WNOHANG);
        if (result == pid || (result < 0 && errno == ECHILD))
            return;
        std::this_thread::sleep_for(kExitPoll);
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4)
        return failure("usage: tavixat-bench-launch <title> <settle-ms> <program> [arguments...]");
    const std::string title = argv[1];
    const std::chrono::milliseconds settle{std::atoi(argv[2])};

    TopLevelMaps maps;
    if (!maps.isListening())
        return failure(maps.problem().c_str());

    const Clock::time_point started = Clock::now();
    const pid_t pid = startProgram(argv + 3);
    if (pid < 0)
        return failure("cannot start the program");

    const auto mapped =
        maps.waitForMap(title, started + kMapTimeout, [pid] { return isRunning(pid); });
    if (!mapped) {
        endProgram(pid);
        return failure("the program's window never appeared");
    }
    std::this_thread::sleep_for(settle);
    const long long rss = residentKilobytesOf(pid);
    const bool survived = isRunning(pid);
    endProgram(pid);
    if (!survived || rss < 0)
        return failure("the program ended before its memory could be read");

    const double startupMs = std::chrono::duration<double, std::milli>(*mapped - started).count();
    std::printf("startup_ms %.1f\nrss_kb %lld\n", startupMs, rss);
    return 0;
}
