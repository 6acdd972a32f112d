// What the runtime asks of an X11 display that Qt has no call for: the state
// a window manager would keep when none runs, the task-bar button, and news
// of a window destroyed by another program. Internal to the runtime.
#pragma once

#include <functional>
#include <memory>

class QPoint;
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

}  // namespace rt
