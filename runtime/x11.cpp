#include "x11.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#if QT_CONFIG(xcb)
#include <xcb/shape.h>
#include <xcb/xcb.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace rt {

#if QT_CONFIG(xcb)

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr), &std::free);
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type) {
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 1024), nullptr), &std::free);
    if (!r || r->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    return {values, values + xcb_get_property_value_length(r.get()) / 4};
}

// The EWMH sign of a running window manager: the root names a window that
// names itself.
bool windowManagerRuns(xcb_connection_t* c, xcb_window_t root) {
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const auto named = property32(c, root, check, XCB_ATOM_WINDOW);
    if (named.empty()) return false;
    const auto self = property32(c, named[0], check, XCB_ATOM_WINDOW);
    return !self.empty() && self[0] == named[0];
}

// Qt's own connection, so that requests keep their order with Qt's.
xcb_connection_t* connection() {
    // The offscreen platform answers for X11 too, without a connection.
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

bool shapeWindow(QWidget* window, const QRegion& device) {
    xcb_connection_t* c = connection();
    if (!c) return false;
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id);
    if (!shape || !shape->present) return false;
    const auto w = xcb_window_t(window->winId());
    if (device.isEmpty()) {
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, w, 0, 0, XCB_NONE);
        return true;
    }
    std::vector<xcb_rectangle_t> rects;
    rects.reserve(std::size_t(device.rectCount()));
    for (const QRect& r : device)
        rects.push_back(
            {std::int16_t(r.x()), std::int16_t(r.y()), std::uint16_t(r.width()), std::uint16_t(r.height())});
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, w, 0, 0,
                         std::uint32_t(rects.size()), rects.data());
    return true;
}

bool pointerFromServer(QPoint& device) {
    xcb_connection_t* c = connection();
    if (!c) return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return false;
    Reply<xcb_query_pointer_reply_t> r(xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr),
                                       &std::free);
    if (!r) return false;
    device = QPoint(r->root_x, r->root_y);
    return true;
}

void keepAboveUnmanaged(QWidget* window, bool onTop) {
    if (!window->isVisible()) return;
    xcb_connection_t* c = connection();
    if (!c) return;
    const auto w = xcb_window_t(window->winId());
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr), &std::free);
    if (!tree || windowManagerRuns(c, tree->root)) return;

    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    std::vector<std::uint32_t> states = property32(c, w, state, XCB_ATOM_ATOM);
    for (const char* name : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STAYS_ON_TOP"}) {
        const xcb_atom_t a = atom(c, name);
        states.erase(std::remove(states.begin(), states.end(), a), states.end());
        if (onTop) states.push_back(a);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, std::uint32_t(states.size()),
                        states.data());
    if (onTop) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_flush(c);
}

void leaveOutOfTaskbar(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c) return;
    const auto w = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    std::vector<std::uint32_t> states = property32(c, w, state, XCB_ATOM_ATOM);
    if (std::find(states.begin(), states.end(), skip) != states.end()) return;
    states.push_back(skip);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, std::uint32_t(states.size()),
                        states.data());
    xcb_flush(c);
}

class DestroyedWindows::Filter : public QAbstractNativeEventFilter {
public:
    explicit Filter(std::function<void(QWidget*)> onDestroyed) : onDestroyed_(std::move(onDestroyed)) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) return false;
        const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        // A window the program destroys itself has left Qt's table by now.
        QWidget* widget = QWidget::find(WId(destroyed->window));
        if (widget && widget->isWindow())
            QTimer::singleShot(0, widget, [onDestroyed = onDestroyed_, widget] { onDestroyed(widget); });
        return false;
    }

private:
    std::function<void(QWidget*)> onDestroyed_;
};

// Qt takes the filter off as it is destroyed.
DestroyedWindows::DestroyedWindows(std::function<void(QWidget*)> onDestroyed) {
    if (!connection()) return;
    filter_ = std::make_unique<Filter>(std::move(onDestroyed));
    qGuiApp->installNativeEventFilter(filter_.get());
}

DestroyedWindows::~DestroyedWindows() = default;

namespace {

// Whether `screen`'s windows keep pixels as QImage::Format_RGB32 does.
bool holdsRgb32(const xcb_setup_t* setup, const xcb_screen_t* screen) {
    if (screen->root_depth != 24) return false;
    bool packed = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) packed = f.data->bits_per_pixel == 32;
    if (!packed) return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual)
                return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000 &&
                       v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
    return false;
}

}  // namespace

bool WindowPixels::possible() {
    xcb_connection_t* c = connection();
    if (!c) return false;
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    // Every screen, since a window may be shown on any of them.
    auto s = xcb_setup_roots_iterator(setup);
    if (!s.rem) return false;
    for (; s.rem; xcb_screen_next(&s))
        if (!holdsRgb32(setup, s.data)) return false;
    return true;
}

WindowPixels::~WindowPixels() {
    // Gone with the connection, if that went first.
    if (xcb_connection_t* c = connection(); c && gc_) xcb_free_gc(c, gc_);
}

void WindowPixels::put(const QImage& image, const QRect& area) {
    xcb_connection_t* c = connection();
    const QWindow* handle = window_.windowHandle();
    const QRect r = area & image.rect();
    if (!c || !handle || !handle->isExposed() || r.isEmpty()) return;
    const auto w = xcb_window_t(window_.winId());
    if (!gc_) {
        gc_ = xcb_generate_id(c);
        const std::uint32_t noExposures = 0;
        xcb_create_gc(c, gc_, w, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    // The server refuses a request longer than it takes, and xcb then
    // closes the connection: a tall rectangle goes in bands. Lengths are in
    // 4-byte units, the request's fixed part six of them.
    const std::uint32_t longest = xcb_get_maximum_request_length(c);
    const int rows =
        int(std::clamp<std::uint32_t>((longest - 6) / std::uint32_t(r.width()), 1, std::uint32_t(r.height())));
    const bool wholeRows = r.width() == image.width() && image.bytesPerLine() == image.width() * 4;
    for (int y = r.top(); y <= r.bottom(); y += rows) {
        const int h = std::min(rows, r.bottom() + 1 - y);
        const std::uint8_t* data = image.constScanLine(y);
        if (!wholeRows) {
            band_.resize(std::size_t(r.width()) * std::size_t(h));
            for (int i = 0; i < h; ++i)
                std::memcpy(&band_[std::size_t(i) * std::size_t(r.width())],
                            image.constScanLine(y + i) + std::size_t(r.x()) * 4, std::size_t(r.width()) * 4);
            data = reinterpret_cast<const std::uint8_t*>(band_.data());
        }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, gc_, std::uint16_t(r.width()), std::uint16_t(h),
                      std::int16_t(r.x()), std::int16_t(y), 0, 24, std::uint32_t(r.width() * h * 4), data);
    }
    xcb_flush(c);
}

#else

void keepAboveUnmanaged(QWidget*, bool) {}
void leaveOutOfTaskbar(QWidget*) {}
class DestroyedWindows::Filter {};
DestroyedWindows::DestroyedWindows(std::function<void(QWidget*)>) {}
DestroyedWindows::~DestroyedWindows() = default;
bool shapeWindow(QWidget*, const QRegion&) { return false; }
bool pointerFromServer(QPoint&) { return false; }
bool WindowPixels::possible() { return false; }
WindowPixels::~WindowPixels() = default;
void WindowPixels::put(const QImage&, const QRect&) {}

#endif

}  // namespace rt
