// Twips, device pixels and Qt's logical pixels. The runtime keeps every
// size, position, drawing and region in device pixels, the screen's own;
// Qt's widget geometry, paint and update regions and event positions are
// logical pixels, and the functions here are the only way between the two.
// Internal to the runtime.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>

namespace rt {

// Device pixels to a logical pixel on the screen (Qt's device pixel ratio).
qreal deviceRatio();
// The screen's density in its own pixels (96 with no screen).
qreal dotsPerInchX();
qreal dotsPerInchY();

// A position or length in twips as device pixels: the nearest (halves to
// even), and where a screen at a fractional ratio cannot show that many,
// the nearest it can.
int twipsToDevice(float twips, float twipsPerPixel);

// What Qt makes of a logical position or length on the screen.
int toDevice(int logical);
QRect toDevice(const QRect& logical);
QPointF toDevice(const QPointF& logical);
// The logical position or length that Qt turns into `device` pixels, or
// the nearest one where none does.
int toLogical(int device);

// For painting and asking for a repaint: the rectangle in the other unit
// that covers all of this one.
QRect deviceCover(const QRect& logical);
QRect logicalCover(const QRect& device);
QRegion logicalCover(const QRegion& device);
// A window's shape in logical pixels, each edge to the nearest.
QRegion toLogical(const QRegion& device);

// Where the pointer is on the screen, in device pixels.
QPoint pointerOnScreen();

}  // namespace rt
