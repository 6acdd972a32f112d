// The picture box control: a child of its form with a persistent image of
// its own, mouse events and a tooltip.
#pragma once

#include "form.h"
#include "picture.h"
#include "window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QObject;
class QWidget;

namespace rt {

class Surface;

// A mouse event procedure: the buttons, the modifier keys and the pointer's
// place in the box, by reference.
using MouseHandler = std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y)>;

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

}  // namespace rt
