#include "scale.h"

#include "x11.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstdlib>

namespace rt {

namespace {

QScreen* screen() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app ? app->primaryScreen() : nullptr;
}

}  // namespace

qreal deviceRatio() {
    QScreen* s = screen();
    return s ? s->devicePixelRatio() : 1.0;
}

// Qt keeps its logical dots per inch at 96 on a dense screen and scales by
// the ratio instead, so the screen's own density is the product.
qreal dotsPerInchX() {
    QScreen* s = screen();
    return s ? s->logicalDotsPerInchX() * s->devicePixelRatio() : 96.0;
}

qreal dotsPerInchY() {
    QScreen* s = screen();
    return s ? s->logicalDotsPerInchY() * s->devicePixelRatio() : 96.0;
}

int twipsToDevice(float twips, float twipsPerPixel) {
    const float exact = twips / twipsPerPixel;
    const int nearest = int(std::nearbyint(exact));
    if (toDevice(toLogical(nearest)) == nearest) return nearest;
    const int below = toDevice(int(std::floor(exact / deviceRatio())));
    const int above = toDevice(int(std::floor(exact / deviceRatio())) + 1);
    return std::abs(below - exact) <= std::abs(above - exact) ? below : above;
}

// Qt rounds each scaled coordinate and length to the nearest whole pixel.
int toDevice(int logical) { return qRound(logical * deviceRatio()); }

QRect toDevice(const QRect& logical) {
    return QRect(toDevice(logical.x()), toDevice(logical.y()), toDevice(logical.width()), toDevice(logical.height()));
}

QPointF toDevice(const QPointF& logical) { return logical * deviceRatio(); }

int toLogical(int device) {
    const qreal ratio = deviceRatio();
    if (ratio == 1) return device;
    const int guess = qRound(device / ratio);
    for (int logical : {guess, guess - 1, guess + 1})
        if (toDevice(logical) == device) return logical;
    return guess;
}

// Qt rounds the two ends of a scaled rectangle separately, so a cover is
// one pixel wider on each side at a ratio other than 1.
QRect deviceCover(const QRect& logical) {
    const qreal ratio = deviceRatio();
    if (ratio == 1 || logical.isEmpty()) return logical;
    const int left = int(std::floor(logical.x() * ratio)) - 1, top = int(std::floor(logical.y() * ratio)) - 1;
    const int right = int(std::ceil((logical.x() + logical.width()) * ratio)) + 1;
    const int bottom = int(std::ceil((logical.y() + logical.height()) * ratio)) + 1;
    return QRect(left, top, right - left, bottom - top);
}

QRect logicalCover(const QRect& device) {
    const qreal ratio = deviceRatio();
    if (ratio == 1 || device.isEmpty()) return device;
    const int left = int(std::floor(device.x() / ratio)) - 1, top = int(std::floor(device.y() / ratio)) - 1;
    const int right = int(std::ceil((device.x() + device.width()) / ratio)) + 1;
    const int bottom = int(std::ceil((device.y() + device.height()) / ratio)) + 1;
    return QRect(left, top, right - left, bottom - top);
}

QRegion logicalCover(const QRegion& device) {
    if (deviceRatio() == 1) return device;
    QRegion logical;
    for (const QRect& r : device) logical += logicalCover(r);
    return logical;
}

QRegion toLogical(const QRegion& device) {
    const qreal ratio = deviceRatio();
    if (ratio == 1) return device;
    QRegion logical;
    for (const QRect& r : device) {
        const QPoint from(qRound(r.x() / ratio), qRound(r.y() / ratio));
        const QPoint to(qRound((r.x() + r.width()) / ratio), qRound((r.y() + r.height()) / ratio));
        if (to.x() > from.x() && to.y() > from.y()) logical += QRect(from, to - QPoint(1, 1));
    }
    return logical;
}

QPoint pointerOnScreen() {
    QPoint at;
    // Qt's own answer is in whole logical pixels, which loses the pointer's
    // last device pixel at a ratio above 1.
    if (pointerFromServer(at)) return at;
    return toDevice(QPointF(QCursor::pos())).toPoint();
}

}  // namespace rt
