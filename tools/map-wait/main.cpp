// kavrel-map-wait TITLE [SECONDS]: waits until a top-level window with that exact title is mapped on
// the X server of $DISPLAY and prints the moment it saw the map (nanoseconds since the epoch, the
// clock of `date +%s%N`). It listens before it says "ready" on standard error, so a program started
// after that line cannot be missed, and it is told of the map at once rather than finding it by
// polling: the start figures of tools/dev bench-start come from it. Exits 1 when no such window was
// mapped within SECONDS (default 30), 2 without an X server.
#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window's title: _NET_WM_NAME (UTF-8) when set, else WM_NAME.
std::string titleOf(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netName, xcb_atom_t utf8)
{
    for (const auto& [property, type] :
        {std::pair{netName, utf8}, std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_STRING)}}) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                std::size_t(xcb_get_property_value_length(reply.get())));
    }
    return {};
}

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kavrel-map-wait TITLE [SECONDS]\n");
        return 2;
    }
    const std::string wanted = argv[1];
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    // An X server resets when its last client leaves (the program measured before): a moment later
    // it takes connections again.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    for (int attempt = 0; xcb_connection_has_error(connection) && attempt < 40; ++attempt) {
        xcb_disconnect(connection);
        ::poll(nullptr, 0, 50);
        connection = xcb_connect(nullptr, nullptr);
    }
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "kavrel-map-wait: no X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected = xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask);
    if (Reply<xcb_generic_error_t> error(xcb_request_check(connection, selected)); error) {
        std::fprintf(stderr, "kavrel-map-wait: cannot listen to the root window\n");
        return 2;
    }
    const xcb_atom_t netName = atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    std::fprintf(stderr, "ready\n");
    std::fflush(stderr);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(connection)}) {
            if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY)
                continue;
            const long long seen = nowNs();
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            if (titleOf(connection, map->window, netName, utf8) == wanted) {
                std::printf("%lld\n", seen);
                xcb_disconnect(connection);
                return 0;
            }
        }
        if (xcb_connection_has_error(connection))
            break;
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        ::poll(&fd, 1, int(std::max<long long>(1, left.count())));
    }
    xcb_disconnect(connection);
    return 1;
}
