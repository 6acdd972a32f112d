#include "surface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rt {

namespace {

// The device contexts: every surface that exists.
HandleTable<Surface*> contexts(0x1000);

QPen pen(Colour colour, int width) {
    QPen p(toQColor(colour));
    // A width of 1 or less is the one-pixel pen; wider pens have round ends
    // and joins, like the system's geometric pens.
    p.setWidth(width > 1 ? width : 0);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

// Beyond this many areas drawn on, clear() copies the whole picture back.
constexpr std::size_t kMostTouched = 64;
// A line is noted in up to this many pieces.
constexpr int kMostPieces = 8;

}  // namespace

QColor toQColor(Colour c) {
    if (c & 0x80000000) {
        // A system colour; the only one the clock meets is the button face
        // that picture boxes start with.
        return QColor(240, 240, 240);
    }
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Surface::Surface(int width, int height, Colour background)
    : image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32), background_(background),
      hdc_(contexts.add(this)) {
    image_.fill(toQColor(background_));
}

Surface::~Surface() {
    endPainting();
    contexts.take(hdc_);
}

Surface* Surface::fromHdc(HDC hdc) { return contexts.find(hdc); }

void Surface::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == image_.width() && height == image_.height()) return;
    endPainting();
    QImage next(width, height, QImage::Format_RGB32);
    next.fill(toQColor(background_));
    QPainter p(&next);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, image_);
    p.end();
    image_ = std::move(next);
    drawnAnywhere_ = true;
    unshown_ = image_.rect();
    ++writes_;
    halftone_.forget();
}

QImage& Surface::writeAll() {
    endPainting();
    drawnAnywhere_ = true;
    unshown_ = image_.rect();
    ++writes_;
    return image_;
}

void Surface::touch(const QRectF& area, qreal margin) {
    const QRectF wide = area.normalized().adjusted(-margin, -margin, margin, margin);
    // Coordinates too large for a pixel rectangle count as everywhere.
    const bool huge = !(std::abs(wide.left()) < 1e6 && std::abs(wide.right()) < 1e6 && std::abs(wide.top()) < 1e6 &&
                        std::abs(wide.bottom()) < 1e6);
    const QRect r = huge ? image_.rect() : wide.toAlignedRect() & image_.rect();
    unshown_ |= r;
    ++writes_;
    if (drawnAnywhere_) return;
    if (huge || drawnSinceClear_.size() >= kMostTouched) {
        drawnAnywhere_ = true;
        return;
    }
    if (!r.isEmpty()) drawnSinceClear_.push_back(r);
}

void Surface::touchLine(const QPointF& a, const QPointF& b, qreal margin) {
    // A slanting hand's bounding box is mostly artwork it never touched;
    // pieces of it keep what clear() copies back, and what a halftone
    // stretch averages afresh, close to the line.
    const QPointF step = b - a;
    const qreal length = std::max(std::abs(step.x()), std::abs(step.y()));
    const int pieces = length < 32.0 * kMostPieces ? std::max(1, int(std::ceil(length / 32.0))) : kMostPieces;
    for (int i = 0; i < pieces; ++i)
        touch(QRectF(a + step * (qreal(i) / pieces), a + step * (qreal(i + 1) / pieces)), margin);
}

QPainter& Surface::painter(bool centred, bool smoothPictures) {
    if (!painter_.isActive()) painter_.begin(&image_);
    // Shapes are drawn aliased, with the point (x, y) at the centre of pixel
    // (x, y) as the system's drawing has it; Qt puts it at the pixel's corner.
    painter_.setTransform(centred ? QTransform::fromTranslate(0.5, 0.5) : QTransform());
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, smoothPictures);
    return painter_;
}

void Surface::clear() {
    if (recorder_) recorder_->push_back({Call::Clear, 0, 0, 0, 0, 0, 0});
    endPainting();
    if (picture_ && picture_->size() == image_.size() && picture_->format() == image_.format()) {
        // The hot path of every redraw: the picture copied back into the
        // existing buffer, only where something was drawn when that is known,
        // and each pixel once however much the areas drawn on overlap.
        if (drawnAnywhere_) {
            std::memcpy(image_.bits(), picture_->constBits(), image_.sizeInBytes());
            unshown_ = image_.rect();
        } else {
            merge_.clear();
            for (const QRect& r : drawnSinceClear_) {
                unshown_ |= r;
                merge_.add({r.top(), r.bottom() + 1, r.left(), r.right() + 1});
            }
            merge_.merge(runs_);
            const qsizetype stride = image_.bytesPerLine();
            uchar* to = image_.bits();
            const uchar* from = picture_->constBits();
            for (const Run& run : runs_)
                std::memcpy(to + run.y * stride + run.x0 * 4, from + run.y * stride + run.x0 * 4,
                            std::size_t(run.x1 - run.x0) * 4);
        }
    } else {
        image_.fill(toQColor(background_));
        unshown_ = image_.rect();
        if (picture_) painter(false).drawImage(0, 0, *picture_);
    }
    drawnSinceClear_.clear();
    drawnAnywhere_ = false;
    ++writes_;
}

void Surface::halftoneFrom(const Surface& source, const QRect& from, const QRect& to) {
    // Each tick draws a few hands over the bare artwork: only the pixels
    // under them need the averaging, and only those the last tick averaged
    // need putting back.
    const bool asLeft = halftoneLeftAt_ == writes_;
    const std::uint64_t before = writes_;
    const QImage* picture = &source != this ? source.pictureUnderDrawing() : nullptr;
    const QImage& src = source.pixels();
    QImage& dst = writeAll();
    if (picture &&
        halftone_.stretchOver(*picture, source.drawnSinceClear(), src, from, dst, to, asLeft, false, &halftoneWrote_)) {
        halftoneFrom_ = before;
        halftoneLeftAt_ = writes_;
    } else {
        halftone_.stretch(src, from, dst, to);
    }
}

void Surface::copyFrom(const Surface& source, const QRect& area, QPoint offset) {
    const QImage& from = source.pixels();
    endPainting();
    // Each row of the area, or only where the source's halftone stretch
    // wrote since the last copy.
    const std::vector<Run>* changedThere = nullptr;
    if (lastCopy_.source == source.hdc_ && lastCopy_.area == area && lastCopy_.offset == offset &&
        lastCopy_.writes == writes_)
        changedThere = source.writtenSince(lastCopy_.sourceWrites);
    runs_.clear();
    if (changedThere) {
        for (const Run& r : *changedThere) {
            const Run here{r.y - offset.y(), std::max(r.x0 - offset.x(), area.left()),
                           std::min(r.x1 - offset.x(), area.right() + 1)};
            if (here.y >= area.top() && here.y <= area.bottom() && here.x0 < here.x1) runs_.push_back(here);
        }
    } else {
        for (int y = area.top(); y <= area.bottom(); ++y) runs_.push_back({y, area.left(), area.right() + 1});
    }
    // Written only once a pixel differs, so that an image shared with
    // another is not copied for nothing.
    uchar* out = nullptr;
    const qsizetype stride = image_.bytesPerLine();
    QRect changed;
    for (const Run& run : runs_) {
        const int n = run.x1 - run.x0;
        const uchar* base = out ? out : image_.constBits();
        const auto* old = reinterpret_cast<const std::uint32_t*>(base + run.y * stride) + run.x0;
        const auto* next =
            reinterpret_cast<const std::uint32_t*>(from.constScanLine(run.y + offset.y())) + run.x0 + offset.x();
        if (std::memcmp(old, next, std::size_t(n) * 4) == 0) continue;
        int left = 0, right = n - 1;
        while (old[left] == next[left]) ++left;
        while (old[right] == next[right]) --right;
        if (!out) out = image_.bits();
        std::memcpy(out + run.y * stride + (run.x0 + left) * 4, next + left, std::size_t(right - left + 1) * 4);
        changed |= QRect(run.x0 + left, run.y, right - left + 1, 1);
    }
    if (!changed.isEmpty()) touch(changed, 0);
    lastCopy_ = {source.hdc_, area, offset, source.writes_, writes_};
}

void Surface::line(float x1, float y1, float x2, float y2, Colour colour, int penWidth) {
    if (recorder_) recorder_->push_back({Call::Line, x1, y1, x2, y2, colour, penWidth});
    touchLine(QPointF(x1, y1), QPointF(x2, y2), penWidth / 2.0 + 2);
    QPainter& p = painter(true);
    p.setPen(pen(colour, penWidth));
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Surface::fillBox(float x1, float y1, float x2, float y2, Colour colour) {
    if (recorder_) recorder_->push_back({Call::Box, x1, y1, x2, y2, colour, 0});
    const QRectF r = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    const QRect px(QPoint(int(std::lround(r.left())), int(std::lround(r.top()))),
                   QPoint(int(std::lround(r.right())), int(std::lround(r.bottom()))));
    touch(px, 1);
    painter(false).fillRect(px, toQColor(colour));
}

void Surface::point(float x, float y, Colour colour, int penWidth) {
    if (recorder_) recorder_->push_back({Call::Point, x, y, 0, 0, colour, penWidth});
    touch(QRectF(x, y, 0, 0), penWidth / 2.0 + 2);
    if (penWidth <= 1) {
        endPainting();
        const int px = int(std::floor(x + 0.5f)), py = int(std::floor(y + 0.5f));
        if (image_.rect().contains(px, py)) image_.setPixel(px, py, toQColor(colour).rgb());
        return;
    }
    // A wide pen sets a round dot of the pen's diameter.
    QPainter& p = painter(true);
    p.setPen(Qt::NoPen);
    p.setBrush(toQColor(colour));
    const qreal r = penWidth / 2.0;
    p.drawEllipse(QPointF(x, y), r, r);
}

void Surface::circle(float x, float y, float radius, Colour colour, int penWidth) {
    if (recorder_) recorder_->push_back({Call::Circle, x, y, radius, 0, colour, penWidth});
    touch(QRectF(x - radius, y - radius, 2 * radius, 2 * radius), penWidth / 2.0 + 2);
    QPainter& p = painter(true);
    p.setPen(pen(colour, penWidth));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(x, y), radius, radius);
}

void Surface::paintImage(const QImage& picture, float x, float y, float width, float height) {
    if (recorder_) recorder_->push_back({Call::Picture, x, y, width, height, 0, 0});
    touch(QRectF(x, y, width, height), 2);
    painter(false, true).drawImage(QRectF(x, y, width, height), picture);
}

}  // namespace rt
