// What a window manager does for the clock's window when none is running.
// Internal to the runtime.
#pragma once

class QWidget;

namespace rt {

// On an X11 display with no window manager, nobody answers a shown window's
// request to stay on top: the state is written on the window itself, where a
// window manager that starts later looks for it, and the window is raised.
// With a window manager, or on another platform, this does nothing.
void keepAboveUnmanaged(QWidget* window, bool onTop);

}  // namespace rt
