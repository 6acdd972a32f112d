// The halftone stretch of the graphics calls: each destination pixel gets the
// average of the source area under it, every source pixel weighted by how
// much of it that area covers, rounded to the nearest level (halves up).
// Internal to the runtime.
#pragma once

#include <QImage>
#include <QRect>

namespace rt {

// Stretches the `from` part of `src` onto the `to` part of `dst`; both images
// are RGB32 and `from` lies inside `src`. Parts of `to` outside `dst` are left
// out. `portable` keeps to plain code where vector instructions would
// serve (for tests: both must give the same picture).
void halftoneStretch(const QImage& src, const QRect& from, QImage& dst, const QRect& to, bool portable = false);

}  // namespace rt
