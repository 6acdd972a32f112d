// Watches a rectangle of the screen for a while and reports how often what it
// shows changes: "pictures N per-second F longest-ms M", where M is the
// longest time one picture stayed. Reads the root window, which holds what
// is on the screen when no compositor runs.
// Usage: face_rate SECONDS X Y WIDTH HEIGHT
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

std::uint64_t digest(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (char c : bytes) h = (h ^ std::uint8_t(c)) * 1099511628211ull;
    return h;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s SECONDS X Y WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), w = std::atoi(argv[4]), h = std::atoi(argv[5]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "face_rate: cannot open the display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    const double start = nowMs();
    double since = start, longest = 0, now = start;
    std::uint64_t last = 0;
    int pictures = 0;
    while ((now = nowMs()) < start + seconds * 1000) {
        xcb_get_image_reply_t* img =
            xcb_get_image_reply(c,
                                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, std::int16_t(x), std::int16_t(y),
                                              std::uint16_t(w), std::uint16_t(h), ~0u),
                                nullptr);
        if (!img) {
            std::fprintf(stderr, "face_rate: cannot read the screen\n");
            return 2;
        }
        const std::uint64_t d = digest(
            {reinterpret_cast<const char*>(xcb_get_image_data(img)), std::size_t(xcb_get_image_data_length(img))});
        std::free(img);
        if (pictures == 0 || d != last) {
            if (pictures > 0 && now - since > longest) longest = now - since;
            ++pictures;
            last = d;
            since = now;
        }
        // Four reads a tick of the redraw: a late picture shows within 25 ms.
        timespec pause{0, 25'000'000};
        nanosleep(&pause, nullptr);
    }
    if (now - since > longest) longest = now - since;
    // The first read is the picture already there, not a change.
    std::printf("pictures %d per-second %.1f longest-ms %.0f\n", pictures - 1, (pictures - 1) / seconds, longest);
    xcb_disconnect(c);
    return 0;
}
