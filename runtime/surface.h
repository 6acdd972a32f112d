// A persistent image: what a form or picture box keeps of its drawing, with
// the drawing methods and the device context the graphics calls address.
// Internal to the runtime.
#pragma once

#include "gdi.h"
#include "vb.h"

#include <QImage>

namespace rt {

class Surface {
public:
    Surface(int width, int height, Colour background);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    QImage& image() { return image_; }
    HDC hdc() const { return hdc_; }
    int stretchMode() const { return stretchMode_; }
    void setStretchMode(int mode) { stretchMode_ = mode; }

    // Resizes, keeping the pixels that still fit and filling new ones with
    // the background.
    void resize(int width, int height);
    void setBackground(Colour c) { background_ = c; }
    void setPicture(const QImage* picture) { picture_ = picture; }

    // Back to the picture when there is one, else the background colour.
    void clear();
    void line(float x1, float y1, float x2, float y2, Colour colour, int penWidth);
    void fillBox(float x1, float y1, float x2, float y2, Colour colour);
    void point(float x, float y, Colour colour, int penWidth);
    void circle(float x, float y, float radius, Colour colour, int penWidth);
    void paintImage(const QImage& picture, float x, float y, float width, float height);

    static Surface* fromHdc(HDC hdc);

private:
    QImage image_;
    Colour background_;
    const QImage* picture_ = nullptr;
    HDC hdc_;
    int stretchMode_ = 1;  // BLACKONWHITE, the default of a new context
};

QColor toQColor(Colour c);

}  // namespace rt
