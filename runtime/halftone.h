// The halftone stretch of the graphics calls: each destination pixel gets the
// average of the source area under it, every source pixel weighted by how
// much of it that area covers, rounded to the nearest level (halves up).
// Internal to the runtime.
#pragma once

#include "runs.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <utility>
#include <vector>

namespace rt {

// The halftone stretch into one destination, which holds it with what it
// keeps from call to call: the workings for the last sizes asked for, so
// that a redraw allocates nothing, and the stretch of the bare picture with
// the runs the last call worked out over it, so that a redraw averages
// afresh only what was drawn since.
class Stretcher {
public:
    // Stretches the `from` part of `src` onto the `to` part of `dst`; both
    // images are RGB32 and `from` lies inside `src`. Parts of `to` outside
    // `dst` are left out. `portable` keeps to plain code where vector
    // instructions would serve (for tests: both must give the same picture).
    void stretch(const QImage& src, const QRect& from, QImage& dst, const QRect& to, bool portable = false);

    // The same stretch, pixel for pixel, of a `src` that is `picture` except
    // inside the rectangles `drawn`: the stretch of the bare picture, kept
    // from the last call for the same picture, part and destination, with
    // only the destination pixels whose source area meets a drawn rectangle
    // worked out afresh. `dstAsLeft` says that the `to` part of `dst` holds
    // what the last call left there; then only what that call worked out is
    // put back. Returns false, having done nothing, where it cannot stand in
    // for stretch() (`to` reaching outside `dst`, sizes too large to sum
    // exactly). Given `written`, fills it with the runs of `dst` it wrote,
    // sorted and joined.
    bool stretchOver(const QImage& picture, const std::vector<QRect>& drawn, const QImage& src, const QRect& from,
                     QImage& dst, const QRect& to, bool dstAsLeft, bool portable = false,
                     std::vector<Run>* written = nullptr);

    // Drops all that is kept; the next call starts afresh.
    void forget() { *this = Stretcher(); }

    // How the destination pixels of one axis cover the source pixels. Lengths
    // are counted in units in which a source pixel is `m` long and a
    // destination pixel `n` long (n source and m destination pixels, both
    // divided by their greatest common divisor), so every overlap is a whole
    // number and the weights of one destination pixel add up to `total`.
    struct Axis {
        std::vector<int> first;              // first source pixel under each destination pixel
        std::vector<int> count;              // how many source pixels it covers
        std::vector<std::uint32_t> weights;  // `taps` for each destination pixel, 0 past its count
        int taps = 0;                        // the most any destination pixel covers
        std::uint32_t total = 0;

        void build(int n, int m);
        // The destination pixels [begin, end) whose source pixels include any
        // of lo..hi.
        std::pair<int, int> meeting(int lo, int hi) const;
    };

private:
    bool prepareAxes(const QRect& from, const QSize& size);
    static void runsOfWhole(const QSize& size, std::vector<Run>& runs);
    void runsOver(const std::vector<QRect>& drawn, const QRect& from);
    void prefetchRuns(const QImage& src, const QRect& from) const;
    void stretchRuns(const QImage& src, const QRect& from, std::uint8_t* out, qsizetype outStride, bool portable);

    // The workings, for the source and destination sizes last asked for.
    struct Scratch {
        QSize source, size;  // what the axes are built for
        Axis across, down;
        std::vector<double> weights;     // across.weights, each in four lanes
        std::vector<Run> runs;           // the destination pixels both passes work out
        std::vector<Run> left, putBack;  // for stretchOver
        std::vector<std::uint32_t> sums;
        RowMerge merge;  // for runsOver
    } scratch_;

    // The stretch of the bare picture for the last picture, part and
    // destination asked, and the runs the last call worked out over it.
    struct Bare {
        qint64 picture = 0;  // QImage::cacheKey(): changes with every change to an image
        QRect from, to;
        QImage image;
        std::vector<Run> drawn;
    } bare_;
};

}  // namespace rt
