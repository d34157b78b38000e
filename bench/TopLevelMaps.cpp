#include "TopLevelMaps.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <string>

namespace tavixat::bench {

namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> XcbReply<T> own(T* reply) {
    return XcbReply<T>(reply, &std::free);
}

} // namespace

TopLevelMaps::TopLevelMaps() {
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (const int error = xcb_connection_has_error(connection_)) {
        problem_ = "cannot connect to the X display (xcb error " + std::to_string(error) + ")";
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0) {
        problem_ = "the X display has no screen " + std::to_string(screenNumber);
        return;
    }
    root_ = screens.data->root;
    netWmName_ = internAtom("_NET_WM_NAME");

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    const xcb_void_cookie_t cookie =
        xcb_change_window_attributes_checked(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    // Checking waits for the server, so the program started next cannot map unseen.
    if (const auto error = own(xcb_request_check(connection_, cookie))) {
        problem_ =
            "cannot listen on the root window (X error " + std::to_string(error->error_code) + ")";
        return;
    }
    listening_ = true;
}

TopLevelMaps::~TopLevelMaps() {
    if (connection_ != nullptr)
        xcb_disconnect(connection_);
}

std::optional<TopLevelMaps::Clock::time_point>
TopLevelMaps::waitForMap(const std::string& title, Clock::time_point deadline,
                         const std::function<bool()>& stillWorthWaiting) {
    if (!listening_)
        return std::nullopt;
    pollfd display{xcb_get_file_descriptor(connection_), POLLIN, 0};
    while (Clock::now() < deadline && stillWorthWaiting()) {
        while (auto event = own(xcb_poll_for_event(connection_))) {
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                continue;
            // Taken before the title is asked for: that round trip is the watcher's, not the
            // program's.
            const Clock::time_point seen = Clock::now();
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            if (!map->override_redirect && titleOf(map->window).find(title) != std::string::npos)
                return seen;
        }
        if (xcb_connection_has_error(connection_))
            return std::nullopt;
        poll(&display, 1, int(kPollSlice.count()));
    }
    return std::nullopt;
}

xcb_atom_t TopLevelMaps::internAtom(const char* name) {
    const auto reply = own(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 1, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::string TopLevelMaps::titleOf(xcb_window_t window) {
    std::string title =
        netWmName_ != XCB_ATOM_NONE ? textProperty(window, netWmName_) : std::string();
    return title.empty() ? textProperty(window, XCB_ATOM_WM_NAME) : title;
}

std::string TopLevelMaps::textProperty(xcb_window_t window, xcb_atom_t property) {
    constexpr uint32_t kMaxWords = 256;
    const auto reply = own(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxWords),
        nullptr));
    if (!reply || reply->format != 8)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       std::size_t(xcb_get_property_value_length(reply.get())));
}

} // namespace tavixat::bench
