#include "picturebox.h"

#include "errors.h"
#include "scale.h"
#include "surface.h"

#include <QObject>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace rt {

PictureBox::PictureBox(Form& owner, std::string name) : Control(owner, std::move(name)) {}

PictureBox::~PictureBox() = default;

void PictureBox::setDesignGeometry(float leftTwips, float topTwips, float widthTwips, float heightTwips) {
    designLeft_ = leftTwips;
    designTop_ = topTwips;
    designWidth_ = widthTwips;
    designHeight_ = heightTwips;
}

void PictureBox::create(QWidget* parent) {
    x_ = twipsToDevice(designLeft_, twipsPerPixelX());
    y_ = twipsToDevice(designTop_, twipsPerPixelY());
    w_ = std::max(1, twipsToDevice(designWidth_, twipsPerPixelX()));
    h_ = std::max(1, twipsToDevice(designHeight_, twipsPerPixelY()));
    if (autoSize_ && !picture_.isNull()) {
        w_ = picture_.width();
        h_ = picture_.height();
    }
    drawWidth_ = 1;
    held_ = 0;
    movePosted_ = false;
    surface_ = std::make_unique<Surface>(w_, h_, backColor_);
    if (!picture_.isNull()) {
        surface_->setPicture(&picture_.image());
        surface_->clear();
    }
    if (visible_) {
        widget_ = makePictureWidget(*this, parent);
        widget_->setGeometry(toLogical(x_), toLogical(y_), toLogical(w_), toLogical(h_));
        widget_->setToolTip(QString::fromStdString(toolTip_));
        widget_->show();
    }
}

void PictureBox::destroy() {
    widget_ = nullptr;  // its parent window deletes it
    surface_.reset();
}

float PictureBox::Width() {
    ensureLoaded();
    return float(w_);
}
float PictureBox::Height() {
    ensureLoaded();
    return float(h_);
}
float PictureBox::ScaleWidth() {
    ensureLoaded();
    return float(w_);
}
float PictureBox::ScaleHeight() {
    ensureLoaded();
    return float(h_);
}

void PictureBox::setWidth(float w) {
    ensureLoaded();
    w_ = std::max(1, int(std::nearbyint(w)));
    surface_->resize(w_, h_);
    if (widget_) widget_->resize(toLogical(w_), toLogical(h_));
}

void PictureBox::setHeight(float h) {
    ensureLoaded();
    h_ = std::max(1, int(std::nearbyint(h)));
    surface_->resize(w_, h_);
    if (widget_) widget_->resize(toLogical(w_), toLogical(h_));
}

std::int16_t PictureBox::DrawWidth() {
    ensureLoaded();
    return drawWidth_;
}

void PictureBox::setDrawWidth(std::int16_t w) {
    ensureLoaded();
    if (w < 1) throw RuntimeError(errInvalidProperty, "Invalid property value", name() + ".DrawWidth");
    drawWidth_ = w;
}

HDC PictureBox::hDC() {
    ensureLoaded();
    return surface_->hdc();
}
void PictureBox::Cls() {
    ensureLoaded();
    surface_->clear();
}

void PictureBox::Line(float x1, float y1, float x2, float y2, Colour colour) {
    ensureLoaded();
    surface_->line(x1, y1, x2, y2, colour, drawWidth_);
}

void PictureBox::PSet(float x, float y, Colour colour) {
    ensureLoaded();
    surface_->point(x, y, colour, drawWidth_);
}

void PictureBox::Circle(float x, float y, float radius, Colour colour) {
    ensureLoaded();
    surface_->circle(x, y, radius, colour, drawWidth_);
}

void PictureBox::PaintPicture(const Picture& picture, float x, float y, float width, float height) {
    ensureLoaded();
    if (picture.isNull()) throw RuntimeError(errInvalidCall, "Invalid procedure call or argument", "PaintPicture");
    surface_->paintImage(picture.image(), x, y, width, height);
}

void PictureBox::Refresh() {
    ensureLoaded();
    const QRect changed = surface_->takeUnshown();
    if (widget_ && !changed.isEmpty()) showChanged(widget_, changed);
}

std::string PictureBox::ToolTipText() { return toolTip_; }

void PictureBox::setToolTipText(const std::string& text) {
    ensureLoaded();
    toolTip_ = text;
    if (widget_) widget_->setToolTip(QString::fromStdString(text));
}

void PictureBox::mouse(MouseAction action, std::int16_t button, std::int16_t held, std::int16_t shift, double screenX,
                       double screenY) {
    held_ = held;
    switch (action) {
    case MouseAction::Down:
        form().noteMouseHeld(this);
        return raiseMouse(MouseDown, "_MouseDown", button, shift, screenX, screenY);
    case MouseAction::Move: return raiseMouse(MouseMove, "_MouseMove", button, shift, screenX, screenY);
    case MouseAction::Up:
        if (!held) form().noteMouseHeld(nullptr);
        return raiseMouse(MouseUp, "_MouseUp", button, shift, screenX, screenY);
    }
}

// The one place where the pointer on the screen becomes a position over the
// face: measured from where the face is now, since during a drag the window
// moves under the pointer.
void PictureBox::raiseMouse(const MouseHandler& handler, const char* what, std::int16_t button, std::int16_t shift,
                            double screenX, double screenY) {
    if (!handler) return;
    const QPoint face = toDevice(widget_->geometry()).topLeft();
    float X = float(screenX - (form().pixelLeft() + face.x()));
    float Y = float(screenY - (form().pixelTop() + face.y()));
    std::int16_t Button = button;
    std::int16_t Shift = shift;
    raiseEvent((name() + what).c_str(), [&] { handler(Button, Shift, X, Y); });
}

void PictureBox::movedUnderHeldButton() {
    // The window moved under a pointer whose button is held: report the
    // pointer where it now is over the face, once the current event is done.
    if (!widget_ || movePosted_) return;
    movePosted_ = true;
    if (!postedMove_) postedMove_ = std::make_unique<QObject>();
    QTimer::singleShot(0, postedMove_.get(), [this] {
        movePosted_ = false;
        if (!widget_ || !held_ || !MouseMove) return;
        const QPoint pointer = pointerOnScreen();
        raiseMouse(MouseMove, "_MouseMove", held_, shiftKeysNow(), pointer.x(), pointer.y());
    });
}

}  // namespace rt
