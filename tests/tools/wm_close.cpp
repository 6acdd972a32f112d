// Asks a window to close the way a window manager's close button does: a
// WM_DELETE_WINDOW client message, which works with or without a window
// manager running. Usage: wm_close WINDOW-ID (decimal or 0x hex).
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t a = reply->atom;
    std::free(reply);
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const unsigned long id = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    if (argc != 2 || *end != '\0' || id == 0) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "wm_close: cannot open the display\n");
        return 1;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(id);
    event.type = atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_send_event_checked(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event)));
    xcb_disconnect(c);
    if (error) {
        std::fprintf(stderr, "wm_close: no window 0x%lx\n", id);
        std::free(error);
        return 1;
    }
    return 0;
}
