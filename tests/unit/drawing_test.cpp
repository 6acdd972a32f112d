// The runtime's drawing as the clock relies on it: crisp shapes with round
// pens, the halftone stretch as an exact area average, and the picture box's
// restore after drawing.
#include "forms.h"
#include "gdi.h"
#include "halftone.h"
#include "surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace {

constexpr rt::Colour kWhite = 0xFFFFFF;
constexpr rt::Colour kRed = 0x0000FF;
const QRgb kRedRgb = qRgb(255, 0, 0);

bool inked(const rt::Surface& s, int x, int y) { return s.pixels().pixel(x, y) == kRedRgb; }

int inkedCount(const rt::Surface& s) {
    int n = 0;
    for (int y = 0; y < s.pixels().height(); ++y)
        for (int x = 0; x < s.pixels().width(); ++x) n += inked(s, x, y);
    return n;
}

// Only the background and the pen's colour: no smoothing at the edges.
void expectTwoColours(const rt::Surface& s) {
    std::set<QRgb> colours;
    for (int y = 0; y < s.pixels().height(); ++y)
        for (int x = 0; x < s.pixels().width(); ++x) colours.insert(s.pixels().pixel(x, y));
    EXPECT_EQ(colours, (std::set<QRgb>{qRgb(255, 255, 255), kRedRgb}));
}

TEST(Drawing, WideLinesHaveRoundEndsAndNoSmoothedEdges) {
    rt::Surface s(100, 100, kWhite);
    s.line(20, 50, 70, 50, kRed, 9);
    EXPECT_TRUE(inked(s, 50, 46) && inked(s, 50, 54)) << "nine pixels across, centred on the line";
    EXPECT_FALSE(inked(s, 50, 45) || inked(s, 50, 55));
    EXPECT_TRUE(inked(s, 16, 50) && inked(s, 74, 50)) << "the ends reach half the pen past the end points";
    EXPECT_FALSE(inked(s, 16, 46) || inked(s, 74, 54)) << "a square end would fill its corners";
    s.line(10, 90, 90, 10, kRed, 6);
    expectTwoColours(s);
}

TEST(Drawing, AWidePointIsARoundDotOfThePensDiameter) {
    rt::Surface s(100, 100, kWhite);
    s.point(50, 50, kRed, 16);
    const int n = inkedCount(s);
    EXPECT_NEAR(n, M_PI * 8 * 8, 0.12 * M_PI * 8 * 8);
    int left = 100, right = -1, top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (inked(s, x, y)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(right - left + 1, 16, 1);
    EXPECT_NEAR(bottom - top + 1, 16, 1);
    EXPECT_NEAR((left + right) / 2.0, 50, 0.5);
    EXPECT_NEAR((top + bottom) / 2.0, 50, 0.5);
    EXPECT_FALSE(inked(s, 43, 43) || inked(s, 57, 57)) << "round, not square";
    expectTwoColours(s);

    rt::Surface one(10, 10, kWhite);
    one.point(4.4f, 5.6f, kRed, 1);
    EXPECT_EQ(inkedCount(one), 1);
    EXPECT_TRUE(inked(one, 4, 6));
}

TEST(Drawing, ACircleIsAnOutlineAsWideAsThePen) {
    rt::Surface thin(100, 100, kWhite);
    thin.circle(50, 50, 20, kRed, 1);
    EXPECT_FALSE(inked(thin, 50, 50));
    EXPECT_TRUE(inked(thin, 70, 50) && inked(thin, 30, 50) && inked(thin, 50, 70) && inked(thin, 50, 30));
    EXPECT_NEAR(inkedCount(thin), 2 * M_PI * 20, 0.15 * 2 * M_PI * 20);

    rt::Surface wide(100, 100, kWhite);
    wide.circle(50, 50, 20, kRed, 5);
    for (int x = 68; x <= 72; ++x) EXPECT_TRUE(inked(wide, x, 50)) << x;
    EXPECT_FALSE(inked(wide, 66, 50) || inked(wide, 74, 50) || inked(wide, 50, 50));
    expectTwoColours(wide);
}

// A surface's drawing calls share one painter: whatever comes between two
// of them must find the first one's work there, and the second must draw
// on the surface's picture as it now is, leaving a copy taken between them
// alone.
TEST(Drawing, WhatComesBetweenTwoCallsSeesTheFirstAndNotTheSecond) {
    rt::Surface s(60, 40, kWhite);
    s.line(5, 5, 50, 5, kRed, 3);
    const QImage between = s.pixels();
    s.line(5, 20, 50, 20, kRed, 3);
    EXPECT_EQ(between.pixel(30, 5), kRedRgb);
    EXPECT_NE(between.pixel(30, 20), kRedRgb) << "the second line reached a copy taken before it";
    s.resize(80, 50);
    s.line(60, 45, 75, 45, kRed, 3);
    EXPECT_TRUE(inked(s, 30, 5) && inked(s, 30, 20) && inked(s, 70, 45));
}

// ---- Halftone ----

// The average of the source area under each destination pixel, weighted by
// how much of each source pixel it covers, rounded halves up: worked out
// pixel by pixel in whole numbers (a source pixel dw x dh units, a
// destination pixel sw x sh).
QImage boxAverage(const QImage& src, const QRect& from, int dw, int dh) {
    QImage out(dw, dh, QImage::Format_RGB32);
    const long long sw = from.width(), sh = from.height();
    for (long long y = 0; y < dh; ++y)
        for (long long x = 0; x < dw; ++x) {
            long long sum[3] = {0, 0, 0};
            for (long long sy = y * sh / dh; sy * dh < (y + 1) * sh; ++sy)
                for (long long sx = x * sw / dw; sx * dw < (x + 1) * sw; ++sx) {
                    const long long wy = std::min((sy + 1) * dh, (y + 1) * sh) - std::max(sy * dh, y * sh);
                    const long long wx = std::min((sx + 1) * dw, (x + 1) * sw) - std::max(sx * dw, x * sw);
                    const QRgb p = src.pixel(from.x() + int(sx), from.y() + int(sy));
                    sum[0] += wx * wy * qRed(p);
                    sum[1] += wx * wy * qGreen(p);
                    sum[2] += wx * wy * qBlue(p);
                }
            const long long area = sw * sh;
            const auto level = [&](long long v) { return int((2 * v + area) / (2 * area)); };
            out.setPixel(int(x), int(y), qRgb(level(sum[0]), level(sum[1]), level(sum[2])));
        }
    return out;
}

// The artwork with hard-edged specks of every colour over it, so that many
// averages land on a half.
QImage speckledArtwork() {
    const rt::Picture art = rt::Picture::load(":/clock/artwork/face.bmp");
    QImage img = art.image();
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) img.setPixel(int(random() % 700), int(random() % 700), random() | 0xFF000000u);
    for (int x = 0; x < 700; x += 7) img.setPixel(x, 350, 0xFFFFFFFF);
    return img;
}

TEST(Halftone, EveryPixelIsTheExactAreaAverageAtTheClocksSizes) {
    const QImage src = speckledArtwork();
    for (QSize size : {QSize(200, 200), QSize(133, 133), QSize(333, 333), QSize(333, 200), QSize(250, 100)}) {
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        const QImage expected = boxAverage(src, src.rect(), size.width(), size.height());
        for (bool portable : {false, true}) {
            QImage out(size, QImage::Format_RGB32);
            rt::Stretcher().stretch(src, src.rect(), out, out.rect(), portable);
            EXPECT_EQ(out, expected) << (portable ? "plain code" : "vector code");
        }
    }
}

TEST(Halftone, PartsEnlargementsAndDestinationsHangingOverTheEdge) {
    const QImage src = speckledArtwork();
    const QRect from(5, 7, 31, 19);
    const QImage grown = boxAverage(src, from, 70, 45);
    for (bool portable : {false, true}) {
        QImage out(64, 64, QImage::Format_RGB32);
        out.fill(Qt::green);
        rt::Stretcher().stretch(src, from, out, QRect(-3, 30, 70, 45), portable);
        EXPECT_EQ(out.copy(0, 30, 64, 34), grown.copy(3, 0, 64, 34));
        EXPECT_EQ(out.pixel(10, 29), qRgb(0, 255, 0)) << "nothing lands above the destination";

        // An odd width under sums too wide for 16 bits.
        const QRect strip(3, 0, 31, 700);
        QImage narrowed(50, 333, QImage::Format_RGB32);
        rt::Stretcher().stretch(src, strip, narrowed, narrowed.rect(), portable);
        EXPECT_EQ(narrowed, boxAverage(src, strip, 50, 333));
    }
}

TEST(Halftone, TheGraphicsCallUsesItOnlyInHalftoneMode) {
    rt::Surface src(700, 700, 0);
    src.writeAll() = speckledArtwork();
    rt::Surface dst(200, 200, 0);
    ASSERT_EQ(rt::SetStretchBltMode(dst.hdc(), rt::HALFTONE), 1);
    EXPECT_EQ(rt::StretchBlt(dst.hdc(), 0, 0, 200, 200, src.hdc(), 0, 0, 700, 700, rt::SRCCOPY), 1);
    EXPECT_EQ(dst.pixels(), boxAverage(src.pixels(), src.pixels().rect(), 200, 200));
    rt::SetStretchBltMode(dst.hdc(), rt::COLORONCOLOR);
    rt::StretchBlt(dst.hdc(), 0, 0, 200, 200, src.hdc(), 0, 0, 700, 700, rt::SRCCOPY);
    EXPECT_NE(dst.pixels(), boxAverage(src.pixels(), src.pixels().rect(), 200, 200));
}

// ---- Restoring the picture ----

// Clear copies back only where something was drawn; whatever was drawn, by
// any route, must be gone afterwards.
TEST(Restore, ClearUndoesEveryKindOfDrawing) {
    QImage picture(120, 90, QImage::Format_RGB32);
    std::mt19937 random(11);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) picture.setPixel(x, y, random() | 0xFF000000u);
    rt::Surface s(120, 90, kWhite);
    s.setPicture(&picture);
    s.clear();
    ASSERT_EQ(s.pixels(), picture);

    const auto drawn = [&](const char* what, auto draw) {
        draw();
        EXPECT_NE(s.pixels(), picture) << what << " drew nothing";
        s.clear();
        EXPECT_EQ(s.pixels(), picture) << what << " left pixels behind";
    };
    drawn("lines", [&] {
        s.line(-30, 5, 150, 80, kRed, 10);
        s.line(20, 60, 100, 60, kRed, 9);
    });
    drawn("dots", [&] {
        s.point(0, 0, kRed, 16);
        s.point(119.6f, 89.6f, kRed, 1);
    });
    drawn("circles", [&] { s.circle(60, 45, 44, kRed, 9); });
    drawn("a box", [&] { s.fillBox(110, 80, 200, 200, kRed); });
    drawn("a picture", [&] { s.paintImage(picture.mirrored(), 30.5f, 20.5f, 12, 12); });
    drawn("many shapes", [&] {
        for (int i = 0; i < 40; ++i) s.point(float(i * 3), float(i * 2), kRed, 3);
    });
    drawn("a copy into the image", [&] {
        rt::Surface other(120, 90, kRed);
        rt::BitBlt(s.hdc(), 50, 40, 10, 10, other.hdc(), 0, 0, rt::SRCCOPY);
    });
    drawn("a far-off line", [&] { s.line(-1e9f, 45, 1e9f, 45, kRed, 3); });
}

}  // namespace
