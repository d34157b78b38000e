#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <xcb/xcb.h>

namespace tavixat::bench {

// Sees top-level windows being mapped on the X display by listening on its root window, so the
// moment a program's window appears is known to the event, not to a polling interval.
class TopLevelMaps {
public:
    using Clock = std::chrono::steady_clock;

    // Connects to $DISPLAY and starts listening before it returns.
    TopLevelMaps();
    ~TopLevelMaps();
    TopLevelMaps(const TopLevelMaps&) = delete;
    TopLevelMaps& operator=(const TopLevelMaps&) = delete;

    bool isListening() const { return listening_; }
    // Why it is not listening; empty while it is.
    const std::string& problem() const { return problem_; }

    // The moment a window whose title contains `title` was mapped; nothing when the deadline
    // passes or stillWorthWaiting() says the window will never come.
    std::optional<Clock::time_point> waitForMap(const std::string& title,
                                                Clock::time_point deadline,
                                                const std::function<bool()>& stillWorthWaiting);

private:
    static constexpr std::chrono::milliseconds kPollSlice{10};

    xcb_atom_t internAtom(const char* name);
    std::string titleOf(xcb_window_t window);
    std::string textProperty(xcb_window_t window, xcb_atom_t property);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t netWmName_ = XCB_ATOM_NONE;
    bool listening_ = false;
    std::string problem_;
};

} // namespace tavixat::bench
