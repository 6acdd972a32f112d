// The forms runtime: forms with one global instance each, picture boxes with
// persistent images, timers, menus, the collection of loaded forms, and the
// event loop that runs until no form is left. Qt stays behind this header.
#pragma once

#include "gdi.h"
#include "vb.h"
#include "window.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;
class QWidget;
class QTimer;

namespace rt {

class Form;
class Surface;

// A control reached late, as an object: its members are looked up when they
// are used, by name or by dispatch number. A member it does not have raises
// "Object doesn't support this property or method".
class Object {
public:
    virtual ~Object() = default;
    virtual Variant Get(const std::string& member);
    virtual void Let(const std::string& member, const Variant& value);
    virtual Variant GetById(std::int32_t dispId);
    virtual void LetById(std::int32_t dispId, const Variant& value);
    virtual Variant CallById(std::int32_t dispId);
};

// Twips per pixel of the screen, its own pixels as it shows them: 15 at 96
// dots per inch, 7.5 at 192.
float twipsPerPixelX();
float twipsPerPixelY();

// Runs an event procedure. A run-time error escaping it ends the program with
// the runtime's message and a non-zero status.
void raiseEvent(const char* procedure, const std::function<void()>& body);
// What raiseEvent does with an escaped error; tests replace it to observe.
void setFatalErrorHandler(std::function<void(const RuntimeError&, const char* procedure)> handler);

class Menu;
// Stands in for the user at a pop-up menu: given the menu, returns the item
// chosen, or nullptr for none. Unset (the default), the real pop-up opens.
using PopupChooser = std::function<Menu*(Menu& menu)>;
void setPopupChooser(PopupChooser chooser);

// A picture: the image a picture box shows after Cls.
class Picture {
public:
    Picture() = default;
    // Loads an image file or a resource path (":/..."); an unreadable one
    // raises a run-time error.
    static Picture load(const std::string& path);
    bool isNull() const { return !image_; }
    int width() const;
    int height() const;
    const std::shared_ptr<const void>& image() const { return image_; }

private:
    std::shared_ptr<const void> image_;  // a QImage
};

using MouseHandler = std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)>;

// What every control has: a name, the form it belongs to, and a life that
// follows its form's, made afresh as the form loads and gone as it unloads.
class Control {
public:
    Control(Form& owner, std::string name);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    Form& form() { return form_; }

    // Runtime side. `parent` is the form's window.
    virtual void create(QWidget* parent) = 0;
    virtual void destroy() = 0;
    // The widget the control shows over its form, if any.
    virtual QWidget* widget() { return nullptr; }
    // The form's window moved while a mouse button pressed on this control
    // is still held.
    virtual void movedUnderHeldButton() {}

protected:
    // Using a control loads its form.
    void ensureLoaded();

private:
    Form& form_;
    std::string name_;
};

// A picture box: a child of its form, addressed in its form's scale units
// (pixels), with a persistent image of its own.
class PictureBox : public Control, private PictureWidgetHost {
public:
    PictureBox(Form& owner, std::string name);
    ~PictureBox() override;

    // Design values, set before the form loads.
    void setDesignGeometry(float leftTwips, float topTwips, float widthTwips, float heightTwips);
    void setDesignPicture(Picture picture) { picture_ = std::move(picture); }
    void setDesignVisible(bool visible) { visible_ = visible; }
    // Sized to its picture, whatever the design size says.
    void setDesignAutoSize(bool autoSize) { autoSize_ = autoSize; }
    void setDesignBackColor(Colour c) { backColor_ = c; }
    void setDesignToolTipText(std::string text) { toolTip_ = std::move(text); }

    // Size in the form's scale units; writing it resizes the control and its
    // persistent image (keeping what it holds).
    float Width();
    float Height();
    void setWidth(float w);
    void setHeight(float h);
    float ScaleWidth();
    float ScaleHeight();

    std::int16_t DrawWidth();
    void setDrawWidth(std::int16_t w);
    Colour BackColor() const { return backColor_; }

    HDC hDC();
    void Cls();
    void Line(float x1, float y1, float x2, float y2, Colour colour);
    void PSet(float x, float y, Colour colour);
    void Circle(float x, float y, float radius, Colour colour);
    void PaintPicture(const Picture& picture, float x, float y, float width, float height);
    void Refresh();

    std::string ToolTipText();
    void setToolTipText(const std::string& text);

    MouseHandler MouseDown, MouseMove, MouseUp;

    // Runtime side.
    void create(QWidget* parent) override;
    void destroy() override;
    Surface* surface() { return surface_.get(); }
    QWidget* widget() override { return widget_; }
    void movedUnderHeldButton() override;

private:
    const Surface* shownSurface() const override { return surface_.get(); }
    void mouse(MouseAction action, std::int16_t button, std::int16_t held, std::int16_t shift, double screenX,
               double screenY) override;
    void raiseMouse(const MouseHandler& handler, const char* what, std::int16_t button, std::int16_t shift,
                    double screenX, double screenY);

    Picture picture_;
    bool visible_ = true;
    bool autoSize_ = false;
    Colour backColor_ = 0x8000000F;
    std::string toolTip_;
    float designLeft_ = 0, designTop_ = 0, designWidth_ = 0, designHeight_ = 0;
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    std::int16_t drawWidth_ = 1;
    std::int16_t held_ = 0;
    bool movePosted_ = false;
    // Owns the posted mouse move, so that it dies with this control.
    std::unique_ptr<QObject> postedMove_;
    std::unique_ptr<Surface> surface_;
    QWidget* widget_ = nullptr;
};

// Test seam: timers of this name that start from now on tick every ms
// milliseconds instead of at their design interval, which Interval() still
// reports; ms <= 0 removes the override. The program itself never calls it.
void setTimerInterval(const std::string& timerName, int ms);

// An interval timer; ticks from the form's load until its unload.
class Timer : public Control {
public:
    Timer(Form& owner, std::string name);
    ~Timer() override;
    void setDesignInterval(int ms) { interval_ = ms; }
    int Interval() const { return interval_; }
    std::function<void()> OnTimer;

    void create(QWidget* parent) override;
    void destroy() override;

private:
    int interval_ = 0;
    QTimer* timer_ = nullptr;
};

// A menu of a form: a top-level menu whose items are its children. A caption
// of "-" is a separator.
class Menu : public Control {
public:
    Menu(Form& owner, std::string name, std::string caption);
    Menu(Menu& parent, std::string name, std::string caption);
    const std::string& Caption() const { return caption_; }
    const std::vector<Menu*>& items() const { return items_; }
    std::function<void()> Click;

    // A menu has nothing of its own to make or remove.
    void create(QWidget*) override {}
    void destroy() override {}

private:
    std::string caption_;
    std::vector<Menu*> items_;
};

// Why a form is being unloaded, as Form_QueryUnload receives it.
enum UnloadMode : std::int16_t { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3 };

class Form : private FormWindowHost {
public:
    explicit Form(std::string name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }
    bool isLoaded() const { return state_ == State::Loaded || state_ == State::Unloading; }
    bool isVisible() const;

    void Show();

    HWND hWnd();
    HDC hDC();

    // Window geometry in twips.
    float Left();
    float Top();
    float Width();
    float Height();
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    // The client area in the screen's pixels.
    float ScaleWidth();
    float ScaleHeight();

    Colour BackColor() const { return backColor_; }
    std::int16_t DrawWidth() const { return drawWidth_; }
    void Cls();
    void Line(float x1, float y1, float x2, float y2, Colour colour);
    // Line with the filled-box option: fills the rectangle between the points.
    void LineBoxFilled(float x1, float y1, float x2, float y2, Colour colour);
    void Refresh();

    // Pops the menu up at the pointer and raises the chosen item's Click
    // after the menu has closed. Returns when it has closed.
    void PopupMenu(Menu& menu);

    // The control that holds the focus, asked afresh each time. With none,
    // an object whose every property reads as Empty and ignores writes.
    Object& ActiveControl();

    // Events; the runtime raises them one at a time.
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Paint() {}
    virtual void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
        (void)Cancel;
        (void)UnloadMode;
    }

    // Runtime side.
    void load();
    // Asks to unload: raises Form_QueryUnload and, unless refused, removes
    // the form. Nothing happens to a form that is unloading or not loaded.
    void unload(std::int16_t mode);
    Surface* surface() { return surface_.get(); }
    QWidget* window() { return window_; }
    // The control a mouse button was pressed on while it is held, else nullptr.
    void noteMouseHeld(Control* control) { held_ = control; }
    // A control reports here when it takes the focus (nullptr: none has it).
    void setActiveControl(Object* control) { activeControl_ = control; }
    // Where the window is put, in the screen's pixels.
    int pixelLeft() const;
    int pixelTop() const;

protected:
    // Design values: the form's own and its controls', set before load.
    virtual void InitializeComponent() = 0;
    void setDesignClientArea(float leftTwips, float topTwips, float widthTwips, float heightTwips);
    void setDesignBorderless(bool b) { borderless_ = b; }
    void setDesignBackColor(Colour c) { backColor_ = c; }
    void setDesignCaption(std::string c) { caption_ = std::move(c); }
    void setDesignShowInTaskbar(bool b) { showInTaskbar_ = b; }

private:
    friend class Control;  // each control adds itself to its form's
    enum class State { NotLoaded, Loading, Loaded, Unloading };
    const Surface* shownSurface() const override { return surface_.get(); }
    void closeRequested() override;
    void destroyedFromOutside() override;
    void movedTo(int x, int y) override;
    void aboutToShow() override;
    void ensureLoaded();
    void placeWindow();
    void resizeTo(int w, int h);
    void afterMove(bool moved);

    std::string name_;
    State state_ = State::NotLoaded;
    bool borderless_ = false;
    bool showInTaskbar_ = true;
    std::string caption_;
    Colour backColor_ = 0x8000000F;
    std::int16_t drawWidth_ = 1;
    // Twips: as last written, or where the window was put from outside.
    float left_ = 0, top_ = 0;
    // Places the program asked for that the window system has not yet
    // reported: a report of one is the program's own move arriving late.
    struct Requested {
        int x, y;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Requested> requested_;
    int w_ = 0, h_ = 0;         // client area, pixels
    std::unique_ptr<Surface> surface_;
    QWidget* window_ = nullptr;
    HWND hwnd_ = 0;
    // In the order they were declared: made in that order, removed in the
    // reverse one.
    std::vector<Control*> controls_;
    Object* activeControl_ = nullptr;
    Control* held_ = nullptr;
};

// The loaded forms, in the order they were loaded.
std::vector<Form*> Forms();
// Unload statement: a form not loaded, or already unloading, is left alone.
void Unload(Form& form);

// The one global instance of a form class, created on first use.
class FormInstanceBase {
public:
    virtual ~FormInstanceBase() = default;
    virtual void reset() = 0;
};
void registerInstance(FormInstanceBase* instance);
// Destroys every global form instance (used between tests).
void resetFormInstances();

template <typename T>
class FormInstance : public FormInstanceBase {
public:
    FormInstance() { registerInstance(this); }
    T* operator->() { return &get(); }
    T& get() {
        if (!instance_) instance_ = std::make_unique<T>();
        return *instance_;
    }
    bool exists() const { return instance_ != nullptr; }
    void reset() override {
        if (instance_ && instance_->isLoaded()) instance_->unload(vbFormCode);
        instance_.reset();
    }

private:
    std::unique_ptr<T> instance_;
};

// Starts the program: makes the application, calls Main, then runs events
// until no form is loaded. Returns the process's exit status. With no
// display it prints one line and returns non-zero.
int run(int argc, char** argv, void (*Main)());

}  // namespace rt
