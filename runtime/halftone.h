// The halftone stretch of the graphics calls: each destination pixel gets the
// average of the source area under it, every source pixel weighted by how
// much of it that area covers, rounded to the nearest level (halves up).
// Internal to the runtime.
#pragma once

#include <QImage>
#include <QRect>

#include <vector>

namespace rt {

// Stretches the `from` part of `src` onto the `to` part of `dst`; both images
// are RGB32 and `from` lies inside `src`. Parts of `to` outside `dst` are left
// out. `portable` keeps to plain code where vector instructions would
// serve (for tests: both must give the same picture).
void halftoneStretch(const QImage& src, const QRect& from, QImage& dst, const QRect& to, bool portable = false);

// The same stretch, pixel for pixel, of a `src` that is `picture` except
// inside the rectangles `drawn`: the stretch of the bare picture, kept from
// the last call for the same picture, part and destination, with only the
// destination pixels whose source area meets a drawn rectangle worked out
// afresh. `dstAsLeft` says that the `to` part of `dst` holds what the last
// call left there; then only what that call worked out is put back. Returns
// false, having done nothing, where it cannot stand in for halftoneStretch
// (`to` reaching outside `dst`, sizes too large to sum exactly).
bool halftoneStretchOver(const QImage& picture, const std::vector<QRect>& drawn, const QImage& src, const QRect& from,
                         QImage& dst, const QRect& to, bool dstAsLeft, bool portable = false);

}  // namespace rt
