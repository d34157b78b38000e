#pragma once

namespace tavixat::sim {

// Turns SIGINT, SIGTERM and SIGHUP into a readable descriptor (a self-pipe), so the serving
// loop can poll for them and leave cleanly instead of dying inside a handler.
class TerminationSignals {
public:
    TerminationSignals() = default;
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool install();
    // Readable once a signal has come.
    int fd() const;
};

} // namespace tavixat::sim
