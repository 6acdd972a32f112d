#include "halftone.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <ranges>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define RT_HALFTONE_AVX2 1
#include <immintrin.h>
#endif

namespace rt {

namespace {

using Axis = Stretcher::Axis;

// The same sums, computed plainly: for processors without the vector
// instructions, and the measure the fast kernels are held to.
void stretchPortable(const std::uint8_t* src, qsizetype srcStride, int srcWidth, const Axis& across, const Axis& down,
                     std::uint8_t* out, qsizetype outStride, const std::vector<Run>& runs,
                     std::vector<std::uint32_t>& sums) {
    sums.assign(srcWidth * 4, 0);
    const std::uint64_t total = std::uint64_t(across.total) * down.total;
    for (const Run& run : runs) {
        const int y = run.y;
        // Only the source columns under this run's pixels.
        const int from = across.first[run.x0] * 4;
        const int to = (across.first[run.x1 - 1] + across.count[run.x1 - 1]) * 4;
        std::fill(sums.begin() + from, sums.begin() + to, 0);
        for (int k = 0; k < down.count[y]; ++k) {
            const std::uint32_t w = down.weights[std::size_t(y) * down.taps + k];
            const std::uint8_t* row = src + (down.first[y] + k) * srcStride;
            for (int i = from; i < to; ++i) sums[i] += row[i] * w;
        }
        std::uint8_t* line = out + y * outStride;
        for (int x = run.x0; x < run.x1; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::uint64_t acc = 0;
                for (int k = 0; k < across.count[x]; ++k)
                    acc += std::uint64_t(sums[(across.first[x] + k) * 4 + c]) *
                           across.weights[std::size_t(x) * across.taps + k];
                line[4 * x + c] = std::uint8_t((2 * acc + total) / (2 * total));
            }
            line[4 * x + 3] = 0xFF;
        }
    }
}

#ifdef RT_HALFTONE_AVX2

// The lanes from `i` on that a vector step does not fill.
template <int T>
void sumRowsPlainly(const std::uint8_t* const* rows, const std::uint32_t* weights, int i, int lanes,
                    std::uint32_t* sums) {
    for (; i < lanes; ++i) {
        std::uint32_t acc = 0;
        for (int k = 0; k < T; ++k) acc += rows[k][i] * weights[k];
        sums[i] = acc;
    }
}

// The first pass: one destination row's column sums, the source rows under
// it times their weights, lane by lane (four lanes a pixel). Each strip of
// columns is summed over all T rows in registers and written once. Narrow
// sums, for when 255 times a row's weights fit 16 bits, do twice the lanes
// in each step.
template <int T>
__attribute__((target("avx2,fma"))) void sumRowsNarrow(const std::uint8_t* const* rows, const std::uint32_t* weights,
                                                       int lanes, std::uint32_t* sums) {
    __m256i w[T];
    for (int k = 0; k < T; ++k) w[k] = _mm256_set1_epi16(short(weights[k]));
    int i = 0;
    for (; i + 16 <= lanes; i += 16) {
        __m256i acc = _mm256_mullo_epi16(
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[0] + i))), w[0]);
#pragma GCC unroll 8
        for (int k = 1; k < T; ++k)
            acc = _mm256_add_epi16(
                acc, _mm256_mullo_epi16(
                         _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i))), w[k]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), _mm256_cvtepu16_epi32(_mm256_castsi256_si128(acc)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i + 8),
                            _mm256_cvtepu16_epi32(_mm256_extracti128_si256(acc, 1)));
    }
    sumRowsPlainly<T>(rows, weights, i, lanes, sums);
}

template <int T>
__attribute__((target("avx2,fma"))) void sumRowsWide(const std::uint8_t* const* rows, const std::uint32_t* weights,
                                                     int lanes, std::uint32_t* sums) {
    __m256i w[T];
    for (int k = 0; k < T; ++k) w[k] = _mm256_set1_epi32(int(weights[k]));
    int i = 0;
    for (; i + 8 <= lanes; i += 8) {
        __m256i acc = _mm256_mullo_epi32(
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[0] + i))), w[0]);
#pragma GCC unroll 8
        for (int k = 1; k < T; ++k)
            acc = _mm256_add_epi32(
                acc, _mm256_mullo_epi32(
                         _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[k] + i))), w[k]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), acc);
    }
    sumRowsPlainly<T>(rows, weights, i, lanes, sums);
}

// The second pass: each destination pixel's sum of column sums times
// weights, exact in double precision, then rounded to the nearest level,
// halves up, as (2 sum + total) / (2 total) taken by a multiplication: the
// quotient is below 256 and its fractional part, unless zero, at least
// 1 / (2 total); the product's error is far below both, so the small nudge
// makes the truncation exact. Pixels go out in pairs, one store for two.
template <int T>
struct ColumnSums {
    const std::uint32_t* sums;
    const int* first;
    const double* weights;  // each weight in four lanes, T a pixel
    __m256d two, totals, reciprocal, nudge;

    __attribute__((target("avx2,fma")))
    ColumnSums(const std::uint32_t* s, const int* f, const double* w, std::uint32_t total)
        : sums(s), first(f), weights(w), two(_mm256_set1_pd(2.0)), totals(_mm256_set1_pd(double(total))),
          reciprocal(_mm256_set1_pd(1.0 / (2.0 * total))), nudge(_mm256_set1_pd(1e-9)) {}

    // The levels of pixel x, in the low four lanes.
    __attribute__((target("avx2,fma"))) __m128i levels(int x) const {
        const std::uint32_t* pixel = sums + 4 * first[x];
        const double* w = weights + 4 * T * x;
        __m256d acc = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel))),
                                    _mm256_loadu_pd(w));
#pragma GCC unroll 8
        for (int k = 1; k < T; ++k)
            acc = _mm256_fmadd_pd(_mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel + 4 * k))),
                                  _mm256_loadu_pd(w + 4 * k), acc);
        return _mm256_cvttpd_epi32(_mm256_fmadd_pd(_mm256_fmadd_pd(acc, two, totals), reciprocal, nudge));
    }
};

template <int T>
__attribute__((target("avx2,fma"))) void sumColumns(const std::uint32_t* sums, const int* first, const double* weights,
                                                    int width, std::uint32_t total, std::uint32_t* out) {
    const ColumnSums<T> columns(sums, first, weights, total);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    int x = 0;
    for (; x + 2 <= width; x += 2) {
        const __m128i words = _mm_packus_epi32(columns.levels(x), columns.levels(x + 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_packus_epi16(words, words), opaque));
    }
    if (x < width) {
        const __m128i words = _mm_packus_epi32(columns.levels(x), columns.levels(x));
        out[x] = std::uint32_t(_mm_cvtsi128_si32(_mm_or_si128(_mm_packus_epi16(words, words), opaque)));
    }
}

// Calls kernel.template operator()<T>() with T = taps, for the tap counts
// the clock's sizes meet; more taps take the portable path.
constexpr int kMostTaps = 8;

template <typename Kernel>
bool dispatchTaps(int taps, Kernel&& kernel) {
    switch (taps) {
    case 1: kernel.template operator()<1>(); return true;
    case 2: kernel.template operator()<2>(); return true;
    case 3: kernel.template operator()<3>(); return true;
    case 4: kernel.template operator()<4>(); return true;
    case 5: kernel.template operator()<5>(); return true;
    case 6: kernel.template operator()<6>(); return true;
    case 7: kernel.template operator()<7>(); return true;
    case 8: kernel.template operator()<8>(); return true;
    }
    return false;
}

// Whether this processor has the instructions the kernels use.
const bool kVectorKernels = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}();

// Returns false, having done nothing, when the kernels cannot take this case.
bool stretchAvx2(const std::uint8_t* src, qsizetype srcStride, int srcWidth, const Axis& across, const Axis& down,
                 std::uint8_t* out, qsizetype outStride, const std::vector<Run>& runs, std::vector<std::uint32_t>& sums,
                 const std::vector<double>& weights) {
    if (!kVectorKernels || across.taps > kMostTaps || down.taps > kMostTaps) return false;
    // The second pass reads `taps` pixels from each destination pixel's
    // first, past the row's end near its right edge and past the columns
    // its run summed, with weight 0.
    sums.assign(srcWidth * 4 + 4 * across.taps, 0);
    const bool narrow = 255u * down.total <= 0xFFFF;
    const std::uint32_t total = across.total * down.total;
    const std::uint8_t* rows[kMostTaps];
    for (const Run& run : runs) {
        const int y = run.y;
        // Only the source columns under this run's pixels.
        const int from = across.first[run.x0] * 4;
        const int lanes = (across.first[run.x1 - 1] + across.count[run.x1 - 1]) * 4 - from;
        for (int k = 0; k < down.count[y]; ++k) rows[k] = src + (down.first[y] + k) * srcStride + from;
        const std::uint32_t* w = down.weights.data() + std::size_t(y) * down.taps;
        dispatchTaps(down.count[y], [&]<int T>() {
            if (narrow)
                sumRowsNarrow<T>(rows, w, lanes, sums.data() + from);
            else
                sumRowsWide<T>(rows, w, lanes, sums.data() + from);
        });
        auto* line = reinterpret_cast<std::uint32_t*>(out + y * outStride);
        dispatchTaps(across.taps, [&]<int T>() {
            sumColumns<T>(sums.data(), across.first.data() + run.x0, weights.data() + std::size_t(4 * T) * run.x0,
                          run.x1 - run.x0, total, line + run.x0);
        });
    }
    return true;
}

#endif

}  // namespace

void Stretcher::Axis::build(int n, int m) {
    const int g = std::gcd(n, m);
    const long long a = n / g, b = m / g;
    first.resize(m);
    count.resize(m);
    taps = 0;
    for (int j = 0; j < m; ++j) {
        first[j] = int(j * a / b);
        count[j] = int(((j + 1) * a + b - 1) / b - first[j]);
        taps = std::max(taps, count[j]);
    }
    weights.assign(std::size_t(m) * taps, 0);
    for (int j = 0; j < m; ++j) {
        const long long lo = j * a, hi = lo + a;
        for (int k = 0; k < count[j]; ++k) {
            const long long i = first[j] + k;
            weights[std::size_t(j) * taps + k] = std::uint32_t(std::min(hi, (i + 1) * b) - std::max(lo, i * b));
        }
    }
    total = std::uint32_t(a);
}

// Both the first and the last source pixel under a destination pixel grow
// with it.
std::pair<int, int> Stretcher::Axis::meeting(int lo, int hi) const {
    const auto pixels = std::views::iota(0, int(first.size()));
    const auto index = [&](auto pred) { return int(std::ranges::partition_point(pixels, pred) - pixels.begin()); };
    return {index([&](int j) { return first[j] + count[j] <= lo; }), index([&](int j) { return first[j] <= hi; })};
}

// Sets the axes up for stretching `from` to `size`. False where the sums
// would not be exact: the rounding holds while 1 / (2 total) stays well
// above its nudge, which sources and destinations of many thousand pixels
// with no common divisor pass.
bool Stretcher::prepareAxes(const QRect& from, const QSize& size) {
    if (from.size() != scratch_.source || size != scratch_.size) {
        scratch_.across.build(from.width(), size.width());
        scratch_.down.build(from.height(), size.height());
        const std::vector<std::uint32_t>& w = scratch_.across.weights;
        scratch_.weights.resize(w.size() * 4);
        for (std::size_t i = 0; i < w.size(); ++i)
            std::fill_n(scratch_.weights.begin() + std::ptrdiff_t(4 * i), 4, double(w[i]));
        scratch_.source = from.size();
        scratch_.size = size;
    }
    return std::uint64_t(scratch_.across.total) * scratch_.down.total <= (1u << 26);
}

void Stretcher::runsOfWhole(const QSize& size, std::vector<Run>& runs) {
    runs.clear();
    for (int y = 0; y < size.height(); ++y) runs.push_back({y, 0, size.width()});
}

// Each destination pixel whose source area meets one of `drawn`, as few
// runs as the rows allow.
void Stretcher::runsOver(const std::vector<QRect>& drawn, const QRect& from) {
    scratch_.merge.clear();
    for (const QRect& area : drawn) {
        const QRect r = area.intersected(from).translated(-from.topLeft());
        if (r.isEmpty()) continue;
        const auto [x0, x1] = scratch_.across.meeting(r.left(), r.right());
        const auto [y0, y1] = scratch_.down.meeting(r.top(), r.bottom());
        scratch_.merge.add({y0, y1, x0, x1});
    }
    scratch_.merge.merge(scratch_.runs);
}

// Asks memory for the source rows under scratch_.runs before they are
// summed: after a tick's pause they are seldom in the cache, and asked for
// together they arrive far sooner than one after another. Worth it for the
// few runs under what a tick draws, not for a whole stretch, whose rows
// would not stay in the cache until they are read.
void Stretcher::prefetchRuns(const QImage& src, const QRect& from) const {
    for (const Run& run : scratch_.runs) {
        const int begin = (from.x() + scratch_.across.first[run.x0]) * 4;
        const int end = (from.x() + scratch_.across.first[run.x1 - 1] + scratch_.across.count[run.x1 - 1]) * 4;
        for (int k = 0; k < scratch_.down.count[run.y]; ++k) {
            const uchar* row = src.constScanLine(from.y() + scratch_.down.first[run.y] + k);
            for (int i = begin; i < end; i += 64) __builtin_prefetch(row + i);
            __builtin_prefetch(row + end - 1);
        }
    }
}

// The pixels of scratch_.runs, from the `from` part of `src`, into the
// destination whose top-left pixel is at `out`.
void Stretcher::stretchRuns(const QImage& src, const QRect& from, std::uint8_t* out, qsizetype outStride,
                            bool portable) {
    const std::uint8_t* base = src.constBits() + from.y() * src.bytesPerLine() + from.x() * 4;
#ifdef RT_HALFTONE_AVX2
    if (!portable && stretchAvx2(base, src.bytesPerLine(), from.width(), scratch_.across, scratch_.down, out, outStride,
                                 scratch_.runs, scratch_.sums, scratch_.weights))
        return;
#else
    (void)portable;
#endif
    stretchPortable(base, src.bytesPerLine(), from.width(), scratch_.across, scratch_.down, out, outStride,
                    scratch_.runs, scratch_.sums);
}

void Stretcher::stretch(const QImage& src, const QRect& from, QImage& dst, const QRect& to, bool portable) {
    if (!prepareAxes(from, to.size())) {
        // Qt's smooth scaling, an area average within one level of this one.
        QPainter p(&dst);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(to.topLeft(), src.copy(from).scaled(to.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        return;
    }
    runsOfWhole(to.size(), scratch_.runs);
    if (dst.rect().contains(to)) {
        stretchRuns(src, from, dst.bits() + to.y() * dst.bytesPerLine() + to.x() * 4, dst.bytesPerLine(), portable);
        return;
    }
    QImage part(to.size(), QImage::Format_RGB32);
    stretchRuns(src, from, part.bits(), part.bytesPerLine(), portable);
    QPainter p(&dst);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(to.topLeft(), part);
}

bool Stretcher::stretchOver(const QImage& picture, const std::vector<QRect>& drawn, const QImage& src,
                            const QRect& from, QImage& dst, const QRect& to, bool dstAsLeft, bool portable,
                            std::vector<Run>* written) {
    if (!dst.rect().contains(to) || picture.size() != src.size() || picture.format() != src.format() ||
        !prepareAxes(from, to.size()))
        return false;
    const bool same = bare_.picture == picture.cacheKey() && bare_.from == from && bare_.to == to;
    if (!same) {
        bare_.image = QImage(to.size(), QImage::Format_RGB32);
        runsOfWhole(to.size(), scratch_.runs);
        stretchRuns(picture, from, bare_.image.bits(), bare_.image.bytesPerLine(), portable);
        bare_.picture = picture.cacheKey();
        bare_.from = from;
        bare_.to = to;
    }
    // The bare stretch goes back where the last call left something else,
    // or everywhere when what is there is not known, except where this
    // call works the pixels out afresh.
    std::vector<Run>& left = scratch_.left;
    if (!same || !dstAsLeft)
        runsOfWhole(to.size(), left);
    else
        left.swap(bare_.drawn);
    runsOver(drawn, from);
    prefetchRuns(src, from);
    subtractRuns(left, scratch_.runs, scratch_.putBack);
    std::uint8_t* out = dst.bits() + to.y() * dst.bytesPerLine() + to.x() * 4;
    for (const Run& run : scratch_.putBack)
        std::memcpy(out + run.y * dst.bytesPerLine() + run.x0 * 4, bare_.image.constScanLine(run.y) + run.x0 * 4,
                    std::size_t(run.x1 - run.x0) * 4);
    stretchRuns(src, from, out, dst.bytesPerLine(), portable);
    if (written) {
        joinRuns(left, scratch_.runs, *written);
        for (Run& run : *written) run = {run.y + to.y(), run.x0 + to.x(), run.x1 + to.x()};
    }
    bare_.drawn.swap(scratch_.runs);
    return true;
}

}  // namespace rt
