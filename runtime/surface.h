// A persistent image: what a form or picture box keeps of its drawing, with
// the drawing methods and the device context the graphics calls address.
// Internal to the runtime.
#pragma once

#include "halftone.h"
#include "handles.h"
#include "runs.h"
#include "vb.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace rt {

class Surface {
public:
    Surface(int width, int height, Colour background);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // For reading; a read changes no pixel (it ends the drawing calls'
    // painter, whose work is then all there).
    const QImage& pixels() const {
        endPainting();
        return image_;
    }
    // For writing anywhere: the next clear() copies the whole picture back,
    // and the screen catches up with all of it.
    QImage& writeAll();
    // When the pixels are known to be the picture except inside the areas
    // drawn on since the last clear(): the picture, else nullptr.
    const QImage* pictureUnderDrawing() const {
        const bool known =
            !drawnAnywhere_ && picture_ && picture_->size() == image_.size() && picture_->format() == image_.format();
        return known ? picture_ : nullptr;
    }
    const std::vector<QRect>& drawnSinceClear() const { return drawnSinceClear_; }
    // The area changed since the last call, for the screen to catch up with.
    QRect takeUnshown() { return std::exchange(unshown_, QRect()); }
    HDC hdc() const { return hdc_; }
    int stretchMode() const { return stretchMode_; }
    void setStretchMode(int mode) { stretchMode_ = mode; }

    // Resizes, keeping the pixels that still fit and filling new ones with
    // the background.
    void resize(int width, int height);
    void setBackground(Colour c) { background_ = c; }
    void setPicture(const QImage* picture) {
        picture_ = picture;
        drawnAnywhere_ = true;
    }

    // Back to the picture when there is one, else the background colour.
    void clear();
    // The halftone stretch of the `from` part of `source` onto the `to` part
    // of this surface.
    void halftoneFrom(const Surface& source, const QRect& from, const QRect& to);
    // Copies `source` onto `area` of this surface, each pixel from the
    // source's pixel `offset` away; `area` lies inside both images. Only
    // the pixels that differ are written.
    void copyFrom(const Surface& source, const QRect& area, QPoint offset);
    void line(float x1, float y1, float x2, float y2, Colour colour, int penWidth);
    void fillBox(float x1, float y1, float x2, float y2, Colour colour);
    void point(float x, float y, Colour colour, int penWidth);
    void circle(float x, float y, float radius, Colour colour, int penWidth);
    void paintImage(const QImage& picture, float x, float y, float width, float height);

    static Surface* fromHdc(HDC hdc);

    // The drawing asked of this surface, call by call, for tests to read;
    // nothing is kept unless a recorder is set.
    struct Call {
        enum Kind { Clear, Line, Box, Point, Circle, Picture } kind;
        // Line and Box: the two corners. Point: x1, y1. Circle: the centre
        // and x2 the radius. Picture: the top-left corner, x2 the width and
        // y2 the height.
        float x1, y1, x2, y2;
        Colour colour;
        int penWidth;
    };
    void setRecorder(std::vector<Call>* calls) { recorder_ = calls; }

private:
    // Each drawing call that paints through Qt leaves the painter open for
    // the next, so that the hands of a tick share one; the painter is ended
    // before the pixels are read or written any other way.
    QPainter& painter(bool centred, bool smoothPictures = false);
    void endPainting() const {
        if (painter_.isActive()) painter_.end();
    }
    // When the only write here since writes() stood at `writes` was the last
    // halftone stretch, the runs that stretch wrote; else nullptr.
    const std::vector<Run>* writtenSince(std::uint64_t writes) const {
        return halftoneLeftAt_ == writes_ && halftoneFrom_ == writes ? &halftoneWrote_ : nullptr;
    }

    // Notes an area written, `margin` pixels wider on every side: for the
    // screen, and for clear() as drawn on since the last clear().
    void touch(const QRectF& area, qreal margin);
    void touchLine(const QPointF& a, const QPointF& b, qreal margin);

    QImage image_;
    Colour background_;
    const QImage* picture_ = nullptr;
    HDC hdc_;
    int stretchMode_ = 1;  // BLACKONWHITE, the default of a new context
    // What was drawn since the last clear(), for clear() to copy back from
    // the picture and for a halftone stretch from here to average afresh:
    // these areas, or everything when drawnAnywhere_ (after a write anywhere,
    // a resize, a new picture, or more areas than are kept).
    std::vector<QRect> drawnSinceClear_;
    bool drawnAnywhere_ = true;
    QRect unshown_;
    std::uint64_t writes_ = 0;
    // The halftone stretch into this surface, and writes() as its last
    // stretchOver found and left it, with the runs it wrote: while writes()
    // is still as it left it, what this surface holds is what that stretch
    // left here, and differs from what it held before only in those runs.
    Stretcher halftone_;
    std::optional<std::uint64_t> halftoneLeftAt_;
    std::uint64_t halftoneFrom_ = 0;
    std::vector<Run> halftoneWrote_;
    // The last copy onto this surface: from which surface and part, and the
    // writes() of both as it left them. While this surface's are unchanged
    // and the source's only write since was a halftone stretch, the two can
    // differ only where that stretch wrote, and only there is compared.
    struct Copy {
        HDC source = 0;
        QRect area;
        QPoint offset;
        std::uint64_t sourceWrites = 0, writes = 0;
    } lastCopy_;
    // Workings of clear() and copyFrom(), kept so that a redraw allocates
    // nothing.
    RowMerge merge_;
    std::vector<Run> runs_;
    std::vector<Call>* recorder_ = nullptr;
    // Last, so that it ends before the image goes.
    mutable QPainter painter_;
};

QColor toQColor(Colour c);

}  // namespace rt
