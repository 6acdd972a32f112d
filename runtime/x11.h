// What a window manager does for the clock's window when none is running.
// Internal to the runtime.
#pragma once

class QPoint;
class QRegion;
class QWidget;

namespace rt {

// On an X11 display with no window manager, nobody answers a shown window's
// request to stay on top: the state is written on the window itself, where a
// window manager that starts later looks for it, and the window is raised.
// With a window manager, or on another platform, this does nothing.
void keepAboveUnmanaged(QWidget* window, bool onTop);

// Cuts the window to `device`, given in the screen's pixels (empty: no
// cut). Returns false when the display is not X11 or has no shape
// extension, and the caller must do it another way.
bool shapeWindow(QWidget* window, const QRegion& device);

// The pointer's position on the screen in device pixels, as the X server
// has it; false when the display is not X11.
bool pointerFromServer(QPoint& device);

}  // namespace rt
