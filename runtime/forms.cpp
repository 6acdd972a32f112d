#include "forms.h"

#include "closesignals.h"
#include "commondialog.h"
#include "scale.h"
#include "surface.h"
#include "window.h"
#include "x11.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace rt {

namespace {

std::vector<Form*>& loadedForms() {
    static std::vector<Form*> forms;
    return forms;
}

std::vector<FormInstanceBase*>& instances() {
    static std::vector<FormInstanceBase*> list;
    return list;
}

void defaultFatal(const RuntimeError& e, const char* procedure) {
    std::fprintf(stderr, "clock: run-time error %d: %s (%s, in %s)\n", e.number(), e.what(), e.source().c_str(),
                 procedure);
    std::fflush(stderr);
    std::_Exit(1);
}

std::function<void(const RuntimeError&, const char*)>& fatalHandler() {
    static std::function<void(const RuntimeError&, const char*)> handler = defaultFatal;
    return handler;
}

// The pop-up menu that is open, if any: closed when the last form goes, so
// that the process can end.
QPointer<QMenu> openPopup;
bool programRunning = false;

PopupChooser& popupChooser() {
    static PopupChooser chooser;
    return chooser;
}

// Qt's menu chooses on the release of any button; a pop-up menu is chosen
// from with the left one. A press of any button outside still dismisses it.
class LeftButtonChooses : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* e) override {
        return e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton;
    }
};

// The menu's items at the pointer; its own caption is never shown. Returns
// the item chosen, or nullptr when the menu was dismissed.
Menu* popUp(Menu& menu) {
    LeftButtonChooses leftButton;
    QMenu popup;
    popup.installEventFilter(&leftButton);
    std::vector<std::pair<QAction*, Menu*>> actions;
    for (Menu* item : menu.items()) {
        if (item->Caption() == "-") popup.addSeparator();
        else actions.emplace_back(popup.addAction(QString::fromStdString(item->Caption())), item);
    }
    openPopup = &popup;
    QAction* chosen = popup.exec(QCursor::pos());
    openPopup = nullptr;
    for (auto& [action, item] : actions)
        if (action == chosen) return item;
    return nullptr;
}

}  // namespace

void raiseEvent(const char* procedure, const std::function<void()>& body) {
    try {
        body();
    } catch (const RuntimeError& e) {
        fatalHandler()(e, procedure);
    } catch (const std::exception& e) {
        fatalHandler()(RuntimeError(51, e.what(), "runtime"), procedure);
    }
}

void setFatalErrorHandler(std::function<void(const RuntimeError&, const char*)> handler) {
    fatalHandler() = handler ? std::move(handler) : defaultFatal;
}

void setPopupChooser(PopupChooser chooser) { popupChooser() = std::move(chooser); }

// ---- Object ----

namespace {

RuntimeError noSuchMember(const std::string& member) {
    return RuntimeError(errNoSuchMember, "Object doesn't support this property or method", member);
}

// What ActiveControl gives when no control has the focus: the menu form has
// none that can take it, and its style operations must still run.
class NoControl : public Object {
public:
    Variant Get(const std::string&) override { return {}; }
    void Let(const std::string&, const Variant&) override {}
};

}  // namespace

Variant Object::Get(const std::string& member) { throw noSuchMember(member); }
void Object::Let(const std::string& member, const Variant&) { throw noSuchMember(member); }
Variant Object::GetById(std::int32_t dispId) { throw noSuchMember("#" + std::to_string(dispId)); }
void Object::LetById(std::int32_t dispId, const Variant&) { throw noSuchMember("#" + std::to_string(dispId)); }
Variant Object::CallById(std::int32_t dispId) { throw noSuchMember("#" + std::to_string(dispId)); }

// ---- Picture ----

Picture Picture::load(const std::string& path) {
    QImage img(QString::fromStdString(path));
    if (img.isNull()) throw RuntimeError(481, "Invalid picture", path);
    Picture p;
    p.image_ = std::make_shared<const QImage>(img.convertToFormat(QImage::Format_RGB32));
    return p;
}

int Picture::width() const { return image_ ? static_cast<const QImage*>(image_.get())->width() : 0; }
int Picture::height() const { return image_ ? static_cast<const QImage*>(image_.get())->height() : 0; }

// ---- Control ----

Control::Control(Form& owner, std::string name) : form_(owner), name_(std::move(name)) {
    owner.controls_.push_back(this);
}

void Control::ensureLoaded() {
    if (!form_.isLoaded()) form_.load();
}

// ---- PictureBox ----

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
        surface_->setPicture(static_cast<const QImage*>(picture_.image().get()));
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

float PictureBox::Width() { ensureLoaded(); return float(w_); }
float PictureBox::Height() { ensureLoaded(); return float(h_); }
float PictureBox::ScaleWidth() { ensureLoaded(); return float(w_); }
float PictureBox::ScaleHeight() { ensureLoaded(); return float(h_); }

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

std::int16_t PictureBox::DrawWidth() { ensureLoaded(); return drawWidth_; }

void PictureBox::setDrawWidth(std::int16_t w) {
    ensureLoaded();
    if (w < 1) throw RuntimeError(errInvalidProperty, "Invalid property value", name() + ".DrawWidth");
    drawWidth_ = w;
}

HDC PictureBox::hDC() { ensureLoaded(); return surface_->hdc(); }
void PictureBox::Cls() { ensureLoaded(); surface_->clear(); }

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
    surface_->paintImage(*static_cast<const QImage*>(picture.image().get()), x, y, width, height);
}

void PictureBox::Refresh() {
    ensureLoaded();
    const QRect changed = surface_->takeUnshown();
    if (widget_ && !changed.isEmpty()) widget_->update(logicalCover(changed));
}

std::string PictureBox::ToolTipText() { return toolTip_; }

void PictureBox::setToolTipText(const std::string& text) {
    ensureLoaded();
    toolTip_ = text;
    if (widget_) widget_->setToolTip(QString::fromStdString(text));
}

void PictureBox::mouse(MouseAction action, std::int16_t button, std::int16_t held, std::int16_t shift,
                       double screenX, double screenY) {
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

// ---- Timer ----

namespace {
std::map<std::string, int>& timerIntervals() {
    static std::map<std::string, int> intervals;
    return intervals;
}
}  // namespace

void setTimerInterval(const std::string& timerName, int ms) {
    if (ms > 0)
        timerIntervals()[timerName] = ms;
    else
        timerIntervals().erase(timerName);
}

Timer::Timer(Form& owner, std::string name) : Control(owner, std::move(name)) {}

Timer::~Timer() = default;

void Timer::create(QWidget* parent) {
    if (interval_ <= 0) return;
    timer_ = new QTimer(parent);
    timer_->setObjectName(QString::fromStdString(name()));
    const auto overridden = timerIntervals().find(name());
    timer_->setInterval(overridden != timerIntervals().end() ? overridden->second : interval_);
    // Qt's default timer puts a long interval's timeout on a whole second
    // of its own clock, so a minute may come up to a second early; a precise
    // one costs a little on every tick, which counts only for short ones.
    timer_->setTimerType(interval_ >= 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    const std::string procedure = name() + "_Timer";
    QObject::connect(timer_, &QTimer::timeout, timer_, [this, procedure] {
        if (OnTimer) raiseEvent(procedure.c_str(), OnTimer);
    });
    timer_->start();
}

void Timer::destroy() {
    if (timer_) timer_->stop();
    timer_ = nullptr;  // its parent window deletes it
}

// ---- Menu ----

Menu::Menu(Form& owner, std::string name, std::string caption)
    : Control(owner, std::move(name)), caption_(std::move(caption)) {}

Menu::Menu(Menu& parent, std::string name, std::string caption)
    : Control(parent.form(), std::move(name)), caption_(std::move(caption)) {
    parent.items_.push_back(this);
}

// ---- Form ----

Form::Form(std::string name) : name_(std::move(name)) {}

Form::~Form() {
    loadedForms().erase(std::remove(loadedForms().begin(), loadedForms().end(), this), loadedForms().end());
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

    loadedForms().push_back(this);
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
    auto& forms = loadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    state_ = State::NotLoaded;

    // The program ends when no form is left. Outside run() (in tests) there
    // is no program loop to end, and asking the application to exit would
    // only make the next modal loop return at once.
    if (forms.empty() && programRunning) {
        if (openPopup) openPopup->close();
        QCoreApplication::exit(0);
    }
}

void Form::Show() {
    ensureLoaded();
    if (window_->isVisible()) return;
    Form_Resize();
    window_->show();
}

HWND Form::hWnd() { ensureLoaded(); return hwnd_; }
HDC Form::hDC() { ensureLoaded(); return surface_->hdc(); }

float Form::Left() { ensureLoaded(); return left_; }
float Form::Top() { ensureLoaded(); return top_; }
float Form::Width() { ensureLoaded(); return float(w_) * twipsPerPixelX(); }
float Form::Height() { ensureLoaded(); return float(h_) * twipsPerPixelY(); }
float Form::ScaleWidth() { ensureLoaded(); return float(w_); }
float Form::ScaleHeight() { ensureLoaded(); return float(h_); }

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
    if (window_->pos() != to) window_->move(to);
    else window_->windowHandle()->setFramePosition(to);
}

void Form::movedTo(int x, int y) {
    const auto own = std::find_if(requested_.begin(), requested_.end(),
                                  [x, y](const Requested& r) { return r.x == x && r.y == y; });
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

void Form::Cls() { ensureLoaded(); surface_->clear(); }

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

void Form::PopupMenu(Menu& menu) {
    ensureLoaded();
    menu.form().load();  // using a menu of an unloaded form loads it
    Menu* chosen = popupChooser() ? popupChooser()(menu) : popUp(menu);
    if (chosen && chosen->Click) raiseEvent((chosen->name() + "_Click").c_str(), chosen->Click);
}

Object& Form::ActiveControl() {
    static NoControl none;
    ensureLoaded();
    return activeControl_ ? *activeControl_ : none;
}

// ---- Forms and instances ----

std::vector<Form*> Forms() { return loadedForms(); }

void Unload(Form& form) { form.unload(vbFormCode); }

void registerInstance(FormInstanceBase* instance) { instances().push_back(instance); }

void resetFormInstances() {
    for (FormInstanceBase* i : instances()) i->reset();
}

// ---- Start-up ----

namespace {

bool startingUp = false;
QtMessageHandler previousHandler = nullptr;

void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // While the application connects to the display, Qt's own chatter about
    // platform plugins is replaced by one line of ours; a fatal failure there
    // exits cleanly instead of aborting with a core dump.
    if (startingUp && type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "clock: cannot open the display%s%s%s\n", display ? " \"" : "", display ? display : "",
                     display ? "\"" : "");
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (startingUp && context.category && QByteArray(context.category).startsWith("qt.qpa")) return;
    if (previousHandler) previousHandler(type, context, message);
}

// Returns false, having said why, when no display can be had.
bool chooseDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!platform.isEmpty()) return true;
    // A Wayland client may neither place itself nor stay on top; through
    // XWayland the clock can.
    if (x11) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    if (wayland) return true;
    std::fprintf(stderr, "clock: cannot open a display: DISPLAY is not set\n");
    return false;
}

}  // namespace

int run(int argc, char** argv, void (*Main)()) {
    if (!chooseDisplay()) return 1;
    // Through shared memory, Qt waits for the X server to finish reading the
    // last picture before it paints the next, a round trip and a thread
    // switch every tick; the few pixels a tick changes cost less sent down
    // the connection.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    previousHandler = qInstallMessageHandler(startupMessages);
    CloseSignals::hold();
    startingUp = true;
    QApplication app(argc, argv);
    startingUp = false;
    app.setApplicationName("Clock");
    app.setQuitOnLastWindowClosed(false);
    CloseSignals closeSignals;
    // With fewer colours Qt draws nothing at all, and says so for ever.
    if (QScreen* screen = app.primaryScreen(); screen && screen->depth() < 15) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "clock: cannot draw on the display \"%s\": it has %d-bit colour, 15 or more are needed\n",
                     display ? display : "", screen->depth());
        return 1;
    }
    // Another program destroyed the window: the form goes as if closed, and
    // with it, for the clock, the program.
    watchDestroyedWindows([](QWidget* window) {
        if (FormWindowHost* form = formWindowHost(window)) form->destroyedFromOutside();
    });

    programRunning = true;
    raiseEvent("Main", Main);
    if (loadedForms().empty()) return 0;
    const int status = app.exec();
    programRunning = false;
    resetFormInstances();
    return status;
}

}  // namespace rt
