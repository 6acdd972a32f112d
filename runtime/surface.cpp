#include "surface.h"

#include <QPainter>

#include <cmath>
#include <cstring>
#include <unordered_map>

namespace rt {

namespace {

std::unordered_map<HDC, Surface*>& contexts() {
    static std::unordered_map<HDC, Surface*> table;
    return table;
}
HDC nextHdc = 0x1000;

QPen pen(Colour colour, int width) {
    QPen p(toQColor(colour));
    // A width of 1 or less is the one-pixel pen; wider pens have round ends
    // and joins, like the system's geometric pens.
    p.setWidth(width > 1 ? width : 0);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

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
    : image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32), background_(background), hdc_(nextHdc++) {
    image_.fill(toQColor(background_));
    contexts()[hdc_] = this;
}

Surface::~Surface() { contexts().erase(hdc_); }

Surface* Surface::fromHdc(HDC hdc) {
    auto it = contexts().find(hdc);
    return it == contexts().end() ? nullptr : it->second;
}

void Surface::resize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == image_.width() && height == image_.height()) return;
    QImage next(width, height, QImage::Format_RGB32);
    next.fill(toQColor(background_));
    QPainter p(&next);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, image_);
    p.end();
    image_ = std::move(next);
}

void Surface::clear() {
    if (picture_ && picture_->size() == image_.size() && picture_->format() == image_.format()) {
        // The hot path of every redraw: a straight copy into the existing
        // buffer, with no allocation.
        std::memcpy(image_.bits(), picture_->constBits(), image_.sizeInBytes());
        return;
    }
    image_.fill(toQColor(background_));
    if (picture_) {
        QPainter p(&image_);
        p.drawImage(0, 0, *picture_);
    }
}

void Surface::line(float x1, float y1, float x2, float y2, Colour colour, int penWidth) {
    QPainter p(&image_);
    p.setPen(pen(colour, penWidth));
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void Surface::fillBox(float x1, float y1, float x2, float y2, Colour colour) {
    const QRectF r = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    const QRect px(QPoint(int(std::lround(r.left())), int(std::lround(r.top()))),
                   QPoint(int(std::lround(r.right())), int(std::lround(r.bottom()))));
    QPainter p(&image_);
    p.fillRect(px, toQColor(colour));
}

void Surface::point(float x, float y, Colour colour, int penWidth) {
    if (penWidth <= 1) {
        const int px = int(std::floor(x + 0.5f)), py = int(std::floor(y + 0.5f));
        if (image_.rect().contains(px, py)) image_.setPixel(px, py, toQColor(colour).rgb());
        return;
    }
    // A wide pen sets a round dot of the pen's diameter.
    QPainter p(&image_);
    p.setPen(Qt::NoPen);
    p.setBrush(toQColor(colour));
    const qreal r = penWidth / 2.0;
    p.drawEllipse(QPointF(x, y), r, r);
}

void Surface::circle(float x, float y, float radius, Colour colour, int penWidth) {
    QPainter p(&image_);
    p.setPen(pen(colour, penWidth));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(x, y), radius, radius);
}

void Surface::paintImage(const QImage& picture, float x, float y, float width, float height) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(x, y, width, height), picture);
}

}  // namespace rt
