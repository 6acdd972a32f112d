// The Qt widgets behind forms and picture boxes, and the window calls made
// on them. The widgets know nothing of forms: each paints its host's
// surface and passes what the user does up through the small interfaces
// below, which forms and picture boxes implement. Internal to the runtime;
// Qt stays behind this header.
#pragma once

#include "handles.h"

#include <cstdint>

class QRect;
class QRegion;
class QWidget;

namespace rt {

class Surface;

// Mouse buttons and modifier keys as event procedures receive them.
enum MouseButton : std::int16_t { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };
enum ShiftKey : std::int16_t { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

// What a form's window asks of its form.
class FormWindowHost {
public:
    // What the window shows; nullptr for nothing.
    virtual const Surface* shownSurface() const = 0;
    // The window manager's close button.
    virtual void closeRequested() = 0;
    // Another program destroyed the window.
    virtual void destroyedFromOutside() = 0;
    // The window system reports where the window now is, in Qt's logical
    // pixels: the one way the window's real position reaches the form.
    virtual void movedTo(int x, int y) = 0;
    // The window is about to be mapped on the screen.
    virtual void aboutToShow() = 0;

protected:
    ~FormWindowHost() = default;
};

enum class MouseAction { Down, Move, Up };

// What a picture box's widget asks of its picture box.
class PictureWidgetHost {
public:
    virtual const Surface* shownSurface() const = 0;
    // `button` is the one pressed or released, or for a move all those
    // held; `held` those held after the event; `shift` the modifier keys;
    // the pointer is on the screen, in device pixels.
    virtual void mouse(MouseAction action, std::int16_t button, std::int16_t held, std::int16_t shift, double screenX,
                       double screenY) = 0;

protected:
    ~PictureWidgetHost() = default;
};

// A form's top-level window, and a picture box's widget on `parent`.
QWidget* makeFormWindow(FormWindowHost& host);
QWidget* makePictureWidget(PictureWidgetHost& host, QWidget* parent);
// Brings the screen up to date with `device` (device pixels) of what a
// widget that makePictureWidget made shows: at once where its pixels go
// straight to its window, else at Qt's next repaint.
void showChanged(QWidget* pictureWidget, const QRect& device);
// The host of a window that makeFormWindow made; nullptr for another.
FormWindowHost* formWindowHost(QWidget* window);

// The modifier keys held now, as event procedures receive them.
std::int16_t shiftKeysNow();

HWND registerWindow(QWidget* w);
void unregisterWindow(HWND h);
QWidget* windowFromHandle(HWND h);
void setStaysOnTop(QWidget* w, bool onTop);
// The window's region in device pixels (empty: none), as SetWindowRgn last
// gave it. The window shows and takes the mouse only inside it.
void setWindowRegion(QWidget* w, const QRegion& device);
QRegion windowRegion(const QWidget* w);

}  // namespace rt
