#include "gdi.h"

#include "scale.h"
#include "surface.h"
#include "window.h"

#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace rt {

namespace {

// Regions made and not yet handed to a window.
HandleTable<QRegion> regions(0x2000);

bool fits(const QImage& img, const QRect& r) { return img.rect().contains(r); }

// Built row by row, a pixel belonging to the ellipse when its centre does:
// Qt's own elliptic QRegion sits half a pixel low and right (for 200 x 200
// it has no top row at all), which shows as a lopsided rim.
QRegion ellipseRegion(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const double a = (right - left) / 2.0, b = (bottom - top) / 2.0;
    const double cx = left + a, cy = top + b;
    QList<QRect> rows;
    for (int y = top; y < bottom; ++y) {
        const double t = (y + 0.5 - cy) / b;
        const double half = a * std::sqrt(std::max(0.0, 1.0 - t * t));
        const int x0 = int(std::ceil(cx - half - 0.5));
        const int x1 = int(std::floor(cx + half - 0.5));
        if (x0 <= x1) rows.append(QRect(x0, y, x1 - x0 + 1, 1));
    }
    QRegion region;
    region.setRects(rows.constData(), int(rows.size()));
    return region;
}

}  // namespace

int liveRegionCount() { return int(regions.size()); }

std::int32_t SetWindowPos(HWND hWnd, HWND hWndInsertAfter, std::int32_t X, std::int32_t Y, std::int32_t cx,
                          std::int32_t cy, std::uint32_t uFlags) {
    QWidget* w = windowFromHandle(hWnd);
    if (!w) return 0;
    if (!(uFlags & SWP_NOMOVE)) w->move(toLogical(X), toLogical(Y));
    if (!(uFlags & SWP_NOSIZE)) w->resize(toLogical(cx), toLogical(cy));
    if (hWndInsertAfter == HWND_TOPMOST || hWndInsertAfter == HWND_NOTOPMOST)
        setStaysOnTop(w, hWndInsertAfter == HWND_TOPMOST);
    if ((uFlags & SWP_SHOWWINDOW) && !w->isVisible()) {
        w->setAttribute(Qt::WA_ShowWithoutActivating, (uFlags & SWP_NOACTIVATE) != 0);
        w->show();
    }
    return 1;
}

HRGN CreateEllipticRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    return regions.add(ellipseRegion(left, top, right, bottom));
}

std::int32_t SetWindowRgn(HWND hWnd, HRGN hRgn, std::int32_t bRedraw) {
    const QRegion region = regions.take(hRgn);  // the window owns it now
    QWidget* w = windowFromHandle(hWnd);
    if (!w) return 0;
    setWindowRegion(w, region);
    if (bRedraw) w->update();
    return 1;
}

std::int32_t SetStretchBltMode(HDC hdc, std::int32_t mode) {
    Surface* s = Surface::fromHdc(hdc);
    if (!s || mode < 1 || mode > 4) return 0;
    const int previous = s->stretchMode();
    s->setStretchMode(mode);
    return previous;
}

std::int32_t StretchBlt(HDC hdcDest, std::int32_t xDest, std::int32_t yDest, std::int32_t wDest, std::int32_t hDest,
                        HDC hdcSrc, std::int32_t xSrc, std::int32_t ySrc, std::int32_t wSrc, std::int32_t hSrc,
                        std::uint32_t rop) {
    Surface* dst = Surface::fromHdc(hdcDest);
    Surface* src = Surface::fromHdc(hdcSrc);
    if (!dst || !src || rop != SRCCOPY || wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) return 0;
    const QRect srcRect(xSrc, ySrc, wSrc, hSrc);
    if (!fits(src->pixels(), srcRect)) return 0;
    const QImage& from = src->pixels();
    const QRect dstRect(xDest, yDest, wDest, hDest);
    if (dst->stretchMode() == HALFTONE && (wSrc != wDest || hSrc != hDest)) {
        dst->halftoneFrom(*src, srcRect, dstRect);
        return 1;
    }
    // The other modes drop or repeat pixels.
    const QImage part = srcRect == from.rect() ? from : from.copy(srcRect);
    const QImage scaled = (wSrc == wDest && hSrc == hDest)
                              ? part
                              : part.scaled(wDest, hDest, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QPainter p(&dst->writeAll());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(xDest, yDest, scaled);
    return 1;
}

std::int32_t BitBlt(HDC hdcDest, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC hdcSrc,
                    std::int32_t x1, std::int32_t y1, std::uint32_t rop) {
    Surface* dst = Surface::fromHdc(hdcDest);
    Surface* src = Surface::fromHdc(hdcSrc);
    if (!dst || !src || rop != SRCCOPY) return 0;
    const QImage& from = src->pixels();
    const QImage& to = dst->pixels();
    if (cx <= 0 || cy <= 0 || src == dst || from.format() != QImage::Format_RGB32 ||
        to.format() != QImage::Format_RGB32) {
        QPainter p(&dst->writeAll());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        // Pixels outside either image are left alone, as with a clipped device context.
        p.drawImage(QPoint(x, y), from, QRect(x1, y1, cx, cy));
        return 1;
    }
    // The same copy, writing only the pixels that differ, so that the screen
    // has only those to catch up with.
    const int dx = x1 - x, dy = y1 - y;  // source pixel = destination pixel + (dx, dy)
    dst->copyFrom(*src, QRect(x, y, cx, cy) & to.rect() & from.rect().translated(-dx, -dy), QPoint(dx, dy));
    return 1;
}

}  // namespace rt
