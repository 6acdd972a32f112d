#include "window.h"

#include "forms.h"
#include "scale.h"
#include "surface.h"
#include "x11.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QShowEvent>
#include <QTransform>
#include <QWindow>

#include <algorithm>

namespace rt {

namespace {

// The windows of loaded forms.
HandleTable<QWidget*> windows(0x3000);

std::int16_t buttonsOf(Qt::MouseButtons b) {
    std::int16_t r = 0;
    if (b & Qt::LeftButton) r |= vbLeftButton;
    if (b & Qt::RightButton) r |= vbRightButton;
    if (b & Qt::MiddleButton) r |= vbMiddleButton;
    return r;
}

std::int16_t shiftOf(Qt::KeyboardModifiers m) {
    std::int16_t r = 0;
    if (m & Qt::ShiftModifier) r |= vbShiftMask;
    if (m & Qt::ControlModifier) r |= vbCtrlMask;
    if (m & Qt::AltModifier) r |= vbAltMask;
    return r;
}

// Shows the part of a persistent image that the paint event asks for, one
// image pixel to one pixel of the screen: whatever scale the painter puts
// on logical units is undone (it puts none below a ratio of 1, where the
// backing store still has the screen's pixels), so that what was drawn at
// the screen's own size is neither enlarged nor shrunk. Qt's raster engine
// splits an image drawn through a clip of more than one rectangle across
// its thread pool once it spans about a hundred rows, and waking those
// threads every tick costs more than the copy itself; bands of fewer rows
// stay on this thread.
void paintSurface(QWidget* widget, const Surface& surface, const QPaintEvent* e) {
    constexpr int kBandRows = 64;
    QPainter p(widget);
    const QTransform scale = p.deviceTransform();
    if (scale.m11() != 1 || scale.m22() != 1)
        p.setWorldTransform(QTransform::fromScale(1 / scale.m11(), 1 / scale.m22()));
    for (const QRect& r : e->region()) {
        const QRect area = deviceCover(r) & surface.pixels().rect();
        for (int y = area.top(); y <= area.bottom(); y += kBandRows) {
            const QRect band(area.left(), y, area.width(), std::min(kBandRows, area.bottom() + 1 - y));
            p.drawImage(band.topLeft(), surface.pixels(), band);
        }
    }
}

}  // namespace

HWND registerWindow(QWidget* w) { return windows.add(w); }
void unregisterWindow(HWND h) { windows.take(h); }
QWidget* windowFromHandle(HWND h) { return windows.find(h); }

void setStaysOnTop(QWidget* w, bool onTop) {
    // On a window that is already shown, changing the widget's flags would
    // hide and re-create it; the platform window takes the change in place
    // (on X11 it asks the window manager for _NET_WM_STATE_ABOVE).
    QWindow* handle = w->windowHandle();
    Qt::WindowFlags f = handle ? handle->flags() : w->windowFlags();
    f.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (handle) handle->setFlags(f);
    else w->setWindowFlags(f);
    keepAboveUnmanaged(w, onTop);
}

void setWindowRegion(QWidget* w, const QRegion& device) {
    w->setProperty("rt.region", device);
    // Qt's own mask is in logical pixels, and Qt scales it to the screen's
    // by whole logical pixels: a staircase on a dense screen. On X11 the
    // shape goes to the window in device pixels, with Qt's mask left unset.
    if (!shapeWindow(w, device)) w->setMask(toLogical(device));
}

QRegion windowRegion(const QWidget* w) { return w->property("rt.region").value<QRegion>(); }

FormWindow::FormWindow(Form& form) : QWidget(nullptr), form_(form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_AlwaysShowToolTips);
}

void FormWindow::paintEvent(QPaintEvent* e) {
    if (Surface* s = form_.surface()) paintSurface(this, *s, e);
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The runtime decides: Form_QueryUnload may refuse, and an unload that
    // goes ahead removes this window itself.
    e->ignore();
    raiseEvent("Form_QueryUnload", [this] { form_.unload(vbFormControlMenu); });
}

void FormWindow::moveEvent(QMoveEvent* e) {
    // Only the window system's reports say where the window is; the move
    // the program makes itself arrives here at once, before the window has
    // gone anywhere.
    if (e->spontaneous()) form_.noteWindowPosition(e->pos().x(), e->pos().y());
}

void FormWindow::showEvent(QShowEvent* e) {
    // Sent before Qt maps the window; the spontaneous one comes after.
    if (!e->spontaneous()) form_.windowAboutToShow();
}


PictureWidget::PictureWidget(PictureBox& box, QWidget* parent) : QWidget(parent), box_(box) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::paintEvent(QPaintEvent* e) {
    if (Surface* s = box_.surface()) paintSurface(this, *s, e);
}

namespace {

// The pointer over the face where the face is now. During a drag the window
// moves under the pointer, and the position Qt reports is measured against
// where the window was; the pointer's screen position minus the face's
// current screen position is not.
void dispatch(PictureBox& box, QMouseEvent* e, const MouseHandler& handler, std::int16_t button,
              const char* what) {
    Form& form = box.form();
    const QPointF global = toDevice(e->globalPosition());
    const QPoint face = toDevice(box.widget()->geometry()).topLeft();
    float X = float(global.x() - (form.pixelLeft() + face.x()));
    float Y = float(global.y() - (form.pixelTop() + face.y()));
    std::int16_t Button = button;
    std::int16_t Shift = shiftOf(e->modifiers());
    if (handler) raiseEvent((box.name() + "_" + what).c_str(), [&] { handler(Button, Shift, X, Y); });
}

}  // namespace

void PictureWidget::mousePressEvent(QMouseEvent* e) {
    box_.setHeldButtons(buttonsOf(e->buttons()));
    box_.form().noteMouseHeld(&box_);
    dispatch(box_, e, box_.MouseDown, buttonsOf(e->button()), "MouseDown");
}

void PictureWidget::mouseMoveEvent(QMouseEvent* e) {
    box_.setHeldButtons(buttonsOf(e->buttons()));
    dispatch(box_, e, box_.MouseMove, buttonsOf(e->buttons()), "MouseMove");
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* e) {
    box_.setHeldButtons(buttonsOf(e->buttons()));
    if (!e->buttons()) box_.form().noteMouseHeld(nullptr);
    dispatch(box_, e, box_.MouseUp, buttonsOf(e->button()), "MouseUp");
}

}  // namespace rt
