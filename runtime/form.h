// Forms and their controls: a form's window with its persistent image, the
// controls that live from its load to its unload, the collection of loaded
// forms, and the one global instance of each form class.
#pragma once

#include "handles.h"
#include "object.h"
#include "vb.h"
#include "window.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace rt {

class Form;
class Menu;
class Surface;

// Twips per pixel of the screen, its own pixels as it shows them: 15 at 96
// dots per inch, 7.5 at 192.
float twipsPerPixelX();
float twipsPerPixelY();

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
    // after the menu has closed. Returns when it has closed. (With the
    // pop-up, in menu.cpp.)
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
    int w_ = 0, h_ = 0;  // client area, pixels
    std::unique_ptr<Surface> surface_;
    QWidget* window_ = nullptr;
    HWND hwnd_ = 0;
    // In the order they were declared: made in that order, removed in the
    // reverse one.
    std::vector<Control*> controls_;
    Object* activeControl_ = nullptr;
    NoControl noControl_;
    Control* held_ = nullptr;
};

// The loaded forms, in the order they were loaded.
std::vector<Form*> Forms();
// Unload statement: a form not loaded, or already unloading, is left alone.
void Unload(Form& form);

// Runtime side: run() says when its event loop starts and stops. While it
// runs, unloading the last form ends the program; outside it (in tests)
// there is no loop to end, and asking the application to exit would only
// make the next modal loop return at once.
void setProgramRunning(bool running);

// The one global instance of a form class, created on first use.
class FormInstanceBase {
public:
    virtual ~FormInstanceBase() = default;
    virtual void reset() = 0;
};
// Made at static initialisation, each global instance adds itself here.
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

}  // namespace rt
