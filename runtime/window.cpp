#include "window.h"

#include "scale.h"
#include "surface.h"
#include "x11.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QRegion>
#include <QShowEvent>
#include <QTransform>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace rt {

namespace {

// The windows of loaded forms.
HandleTable<QWidget*> windows(0x3000);

// Qt's buttons and modifier keys as event procedures receive them: the one
// place where the two meet.
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

class FormWindow : public QWidget {
public:
    explicit FormWindow(FormWindowHost& host) : QWidget(nullptr), host_(host) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_AlwaysShowToolTips);
    }
    FormWindowHost& host() { return host_; }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (const Surface* s = host_.shownSurface()) paintSurface(this, *s, e);
    }

    void closeEvent(QCloseEvent* e) override {
        // The form decides: Form_QueryUnload may refuse, and an unload that
        // goes ahead removes this window itself.
        e->ignore();
        host_.closeRequested();
    }

    void moveEvent(QMoveEvent* e) override {
        // Only the window system's reports say where the window is; the move
        // the program makes itself arrives here at once, before the window
        // has gone anywhere.
        if (e->spontaneous()) host_.movedTo(e->pos().x(), e->pos().y());
    }

    void showEvent(QShowEvent* e) override {
        // Sent before Qt maps the window; the spontaneous one comes after.
        if (!e->spontaneous()) host_.aboutToShow();
    }

private:
    FormWindowHost& host_;
};

class PictureWidget : public QWidget {
public:
    PictureWidget(PictureWidgetHost& host, QWidget* parent) : QWidget(parent), host_(host) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        // Where the server keeps pixels as the surface does, they go
        // straight onto a window of the widget's own: Qt's painting into the
        // top-level's backing store and the flush of that to the server cost
        // more than the few pixels a tick changes.
        if (WindowPixels::possible()) {
            setAttribute(Qt::WA_NativeWindow);
            setAttribute(Qt::WA_PaintOnScreen);
            setAttribute(Qt::WA_NoSystemBackground);
            onScreen_ = std::make_unique<WindowPixels>(*this);
        }
    }

    void showChanged(const QRect& device) {
        if (!onScreen_)
            update(logicalCover(device));
        else if (const Surface* s = host_.shownSurface())
            onScreen_->put(s->pixels(), device);
    }

    // None: the pixels go to the window past Qt's painting.
    QPaintEngine* paintEngine() const override { return onScreen_ ? nullptr : QWidget::paintEngine(); }

protected:
    void paintEvent(QPaintEvent* e) override {
        const Surface* s = host_.shownSurface();
        if (!s) return;
        if (!onScreen_) return paintSurface(this, *s, e);
        for (const QRect& r : e->region()) onScreen_->put(s->pixels(), deviceCover(r));
    }
    void mousePressEvent(QMouseEvent* e) override { pass(MouseAction::Down, e, e->button()); }
    void mouseMoveEvent(QMouseEvent* e) override { pass(MouseAction::Move, e, e->buttons()); }
    void mouseReleaseEvent(QMouseEvent* e) override { pass(MouseAction::Up, e, e->button()); }

private:
    // During a drag the window moves under the pointer, and the position Qt
    // reports is measured against where the window was; the pointer's
    // screen position is not.
    void pass(MouseAction action, const QMouseEvent* e, Qt::MouseButtons button) {
        const QPointF screen = toDevice(e->globalPosition());
        host_.mouse(action, buttonsOf(button), buttonsOf(e->buttons()), shiftOf(e->modifiers()), screen.x(),
                    screen.y());
    }

    PictureWidgetHost& host_;
    std::unique_ptr<WindowPixels> onScreen_;
};

}  // namespace

QWidget* makeFormWindow(FormWindowHost& host) { return new FormWindow(host); }

QWidget* makePictureWidget(PictureWidgetHost& host, QWidget* parent) { return new PictureWidget(host, parent); }

void showChanged(QWidget* pictureWidget, const QRect& device) {
    if (auto* w = dynamic_cast<PictureWidget*>(pictureWidget)) w->showChanged(device);
}

FormWindowHost* formWindowHost(QWidget* window) {
    auto* w = dynamic_cast<FormWindow*>(window);
    return w ? &w->host() : nullptr;
}

std::int16_t shiftKeysNow() { return shiftOf(QGuiApplication::keyboardModifiers()); }

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
    if (handle)
        handle->setFlags(f);
    else
        w->setWindowFlags(f);
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

}  // namespace rt
