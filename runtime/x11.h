// What the runtime asks of an X11 display that Qt has no call for: the state
// a window manager would keep when none runs, the task-bar button, and news
// of a window destroyed by another program. Internal to the runtime.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QImage;
class QPoint;
class QRect;
class QRegion;
class QWidget;

namespace rt {

// On an X11 display with no window manager, nobody answers a shown window's
// request to stay on top: the state is written on the window itself, where a
// window manager that starts later looks for it, and the window is raised.
// With a window manager, or on another platform, this does nothing.
void keepAboveUnmanaged(QWidget* window, bool onTop);

// Asks desktops to show no task-bar button for the window. Must come after
// the native window is made and before it is mapped.
void leaveOutOfTaskbar(QWidget* window);

// While one lives, when another program destroys a top-level window of this
// one, onDestroyed gets the window's widget, once the current event is over.
// On another platform it does nothing.
class DestroyedWindows {
public:
    explicit DestroyedWindows(std::function<void(QWidget*)> onDestroyed);
    ~DestroyedWindows();
    DestroyedWindows(const DestroyedWindows&) = delete;
    DestroyedWindows& operator=(const DestroyedWindows&) = delete;

private:
    class Filter;
    std::unique_ptr<Filter> filter_;
};

// Cuts the window to `device`, given in the screen's pixels (empty: no
// cut). Returns false when the display is not X11 or has no shape
// extension, and the caller must do it another way.
bool shapeWindow(QWidget* window, const QRegion& device);

// The pointer's position on the screen in device pixels, as the X server
// has it; false when the display is not X11.
bool pointerFromServer(QPoint& device);

// Puts pixels of an image straight onto a widget's own X window, one
// PutImage a rectangle, past Qt's backing store and its flush.
class WindowPixels {
public:
    // Whether windows on this display take the pixels of a
    // QImage::Format_RGB32 image as they are: an X11 display whose default
    // visual is 24-bit TrueColor, red, green and blue in that order, kept in
    // 32 bits a pixel with the least significant byte first. Qt gives an
    // opaque window that visual.
    static bool possible();

    explicit WindowPixels(QWidget& window) : window_(window) {}
    ~WindowPixels();
    WindowPixels(const WindowPixels&) = delete;
    WindowPixels& operator=(const WindowPixels&) = delete;

    // Puts `area` of `image` at the same place on the window, in the
    // window's own pixels. Does nothing while the window is not on the
    // screen: its exposure asks for the picture again.
    void put(const QImage& image, const QRect& area);

private:
    QWidget& window_;
    std::uint32_t gc_ = 0;
    // The rows of a rectangle narrower than the image, gathered to be sent.
    std::vector<std::uint32_t> band_;
};

}  // namespace rt
