#include "form.h"

#include "errors.h"
#include "scale.h"
#include "surface.h"
#include "x11.h"

#include <QCoreApplication>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace rt {

namespace {

// The loaded forms, in the order they were loaded, and every global form
// instance. Neither list needs an initialiser that runs: the instances add
// themselves during static initialisation, and a form destroyed at exit
// leaves the loaded ones, so both lists are there before the first instance
// and outlast the last.
constinit std::vector<Form*> loadedForms;
constinit std::vector<FormInstanceBase*> instances;
// Whether run()'s event loop runs.
bool programRunning = false;

}  // namespace

// A twip is a 1440th of an inch of the screen as the user sees it.
float twipsPerPixelX() { return float(1440.0 / dotsPerInchX()); }
float twipsPerPixelY() { return float(1440.0 / dotsPerInchY()); }

// ---- Control ----

Control::Control(Form& owner, std::string name) : form_(owner), name_(std::move(name)) {
    owner.controls_.push_back(this);
}

void Control::ensureLoaded() {
    if (!form_.isLoaded()) form_.load();
}

// ---- Form ----

Form::Form(std::string name) : name_(std::move(name)) {}

Form::~Form() {
    std::erase(loadedForms, this);
    // The controls are members of the derived form and are gone by now; the
    // window takes their widgets and timers with it.
    if (hwnd_) unregisterWindow(hwnd_);
    delete window_;
}

bool Form::isVisible() const { return window_ && window_->isVisible(); }

void Form::ensureLoaded() {
    if (state_ == State::NotLoaded) load();
}

void Form::setDesignClientArea(float leftTwips, float topTwips, float widthTwips, float heightTwips) {
    left_ = leftTwips;
    top_ = topTwips;
    w_ = std::max(1, twipsToDevice(widthTwips, twipsPerPixelX()));
    h_ = std::max(1, twipsToDevice(heightTwips, twipsPerPixelY()));
}

int Form::pixelLeft() const { return twipsToDevice(left_, twipsPerPixelX()); }
int Form::pixelTop() const { return twipsToDevice(top_, twipsPerPixelY()); }

void Form::load() {
    if (state_ != State::NotLoaded) return;
    state_ = State::Loading;
    // Design values are those of a fresh load every time.
    InitializeComponent();
    drawWidth_ = 1;
    held_ = nullptr;
    requested_.clear();

    window_ = makeFormWindow(*this);
    Qt::WindowFlags flags = Qt::Window;
    if (borderless_) flags |= Qt::FramelessWindowHint;
    window_->setWindowFlags(flags);
    window_->setWindowTitle(QString::fromStdString(caption_));
    window_->setGeometry(toLogical(pixelLeft()), toLogical(pixelTop()), toLogical(w_), toLogical(h_));
    hwnd_ = registerWindow(window_);
    surface_ = std::make_unique<Surface>(w_, h_, backColor_);
    for (Control* c : controls_) c->create(window_);

    loadedForms.push_back(this);
    state_ = State::Loaded;
    Form_Load();
}

void Form::unload(std::int16_t mode) {
    if (state_ != State::Loaded) return;
    state_ = State::Unloading;
    std::int16_t Cancel = 0;
    try {
        Form_QueryUnload(Cancel, mode);
    } catch (...) {
        state_ = State::Loaded;
        throw;
    }
    if (Cancel != 0) {
        state_ = State::Loaded;
        return;
    }
    for (auto c = controls_.rbegin(); c != controls_.rend(); ++c) (*c)->destroy();
    activeControl_ = nullptr;
    unregisterWindow(hwnd_);
    hwnd_ = 0;
    window_->hide();
    // Deleted once the current event is over: the handler that asked for
    // the unload may still be running on this window's behalf.
    window_->deleteLater();
    window_ = nullptr;
    surface_.reset();
    held_ = nullptr;
    requested_.clear();
    std::erase(loadedForms, this);
    state_ = State::NotLoaded;

    // The program ends when no form is left.
    if (loadedForms.empty() && programRunning) QCoreApplication::exit(0);
}

void Form::Show() {
    ensureLoaded();
    if (window_->isVisible()) return;
    Form_Resize();
    window_->show();
}

HWND Form::hWnd() {
    ensureLoaded();
    return hwnd_;
}
HDC Form::hDC() {
    ensureLoaded();
    return surface_->hdc();
}

float Form::Left() {
    ensureLoaded();
    return left_;
}
float Form::Top() {
    ensureLoaded();
    return top_;
}
float Form::Width() {
    ensureLoaded();
    return float(w_) * twipsPerPixelX();
}
float Form::Height() {
    ensureLoaded();
    return float(h_) * twipsPerPixelY();
}
float Form::ScaleWidth() {
    ensureLoaded();
    return float(w_);
}
float Form::ScaleHeight() {
    ensureLoaded();
    return float(h_);
}

// Requests and reports are compared in Qt's logical pixels, the unit both
// come in.
void Form::placeWindow() {
    const QPoint to(toLogical(pixelLeft()), toLogical(pixelTop()));
    if (!window_->isVisible()) {
        window_->move(to);  // taken when the window is mapped
        return;
    }
    // Some requests are never reported (Qt keeps quiet about a move that
    // lands where it expects the window, and a window manager may answer
    // late or not at all): after a few seconds one is taken as done.
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(requested_, [now](const Requested& r) { return now - r.at > std::chrono::seconds(3); });
    const QPoint bound = requested_.empty() ? window_->pos() : QPoint(requested_.back().x, requested_.back().y);
    if (bound == to) return;
    requested_.push_back({to.x(), to.y(), now});
    // Qt takes the last position reported as where the window is, and
    // drops a move to it even while the window is on its way elsewhere.
    if (window_->pos() != to)
        window_->move(to);
    else
        window_->windowHandle()->setFramePosition(to);
}

void Form::movedTo(int x, int y) {
    const auto own =
        std::find_if(requested_.begin(), requested_.end(), [x, y](const Requested& r) { return r.x == x && r.y == y; });
    if (own != requested_.end()) {
        // The server carries out requests in order: every earlier one is
        // done with.
        requested_.erase(requested_.begin(), own + 1);
        return;
    }
    // Moved by the window manager or another program: from now on this is
    // where the window is, and the next drag starts from here.
    left_ = float(toDevice(x)) * twipsPerPixelX();
    top_ = float(toDevice(y)) * twipsPerPixelY();
    // Moves of ours still on their way would carry the window off again.
    if (!requested_.empty()) placeWindow();
}

void Form::afterMove(bool moved) {
    // The system this stands in for reports a mouse move when the window
    // moves under a pointer whose button is held; a drag relies on that to
    // catch up with a pointer that has stopped.
    if (moved && held_) held_->movedUnderHeldButton();
}

void Form::setLeft(float twips) {
    ensureLoaded();
    const bool moved = twips != left_;
    left_ = twips;
    placeWindow();
    afterMove(moved);
}

void Form::setTop(float twips) {
    ensureLoaded();
    const bool moved = twips != top_;
    top_ = twips;
    placeWindow();
    afterMove(moved);
}

void Form::resizeTo(int w, int h) {
    w = std::max(1, w);
    h = std::max(1, h);
    if (w == w_ && h == h_) return;
    w_ = w;
    h_ = h;
    surface_->resize(w_, h_);
    window_->resize(toLogical(w_), toLogical(h_));
    Form_Resize();
}

void Form::setWidth(float twips) {
    ensureLoaded();
    resizeTo(twipsToDevice(twips, twipsPerPixelX()), h_);
}

void Form::setHeight(float twips) {
    ensureLoaded();
    resizeTo(w_, twipsToDevice(twips, twipsPerPixelY()));
}

void Form::aboutToShow() {
    // Desktops read the task-bar button from the window's state when they
    // take the window on, and Qt keeps what is there when it maps it.
    if (!showInTaskbar_) leaveOutOfTaskbar(window_);
}

void Form::closeRequested() {
    // The window manager's close button: Form_QueryUnload may refuse.
    raiseEvent("Form_QueryUnload", [this] { unload(vbFormControlMenu); });
}

void Form::destroyedFromOutside() {
    raiseEvent("Form_QueryUnload", [this] { unload(vbAppTaskManager); });
}

void Form::Cls() {
    ensureLoaded();
    surface_->clear();
}

void Form::Line(float x1, float y1, float x2, float y2, Colour colour) {
    ensureLoaded();
    surface_->line(x1, y1, x2, y2, colour, drawWidth_);
}

void Form::LineBoxFilled(float x1, float y1, float x2, float y2, Colour colour) {
    ensureLoaded();
    surface_->fillBox(x1, y1, x2, y2, colour);
}

void Form::Refresh() {
    ensureLoaded();
    // Where a picture box lies over the form, the form's image cannot show.
    QRegion changed(surface_->takeUnshown());
    for (Control* c : controls_)
        if (QWidget* w = c->widget(); w && !w->isHidden()) changed -= toDevice(w->geometry());
    if (!changed.isEmpty()) window_->update(logicalCover(changed));
}

Object& Form::ActiveControl() {
    ensureLoaded();
    return activeControl_ ? *activeControl_ : noControl_;
}

// ---- Forms and instances ----

std::vector<Form*> Forms() { return loadedForms; }

void Unload(Form& form) { form.unload(vbFormCode); }

void setProgramRunning(bool running) { programRunning = running; }

void registerInstance(FormInstanceBase* instance) { instances.push_back(instance); }

void resetFormInstances() {
    for (FormInstanceBase* i : instances) i->reset();
}

}  // namespace rt
