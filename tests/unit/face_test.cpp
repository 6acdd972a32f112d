// The face: the hands DrawArm draws on the composition surface, the six calls
// of a redraw, the marks, and what reaches the visible face after each tick
// and each resize.
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "halftone.h"
#include "surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

using Call = rt::Surface::Call;
using rt::Variant;

QRgb rgbOf(rt::Colour c) { return rt::toQColor(c).rgb(); }

class Face : public testing::Test {
protected:
    void SetUp() override {
        Module1::SetStartValues();
        clock.set(15, 0, 0);
        Form1->Show();
    }

    rt::Surface& composition() { return *Form1->Picture8.surface(); }

    // What `draw` asks of the composition surface.
    template <typename Draw>
    std::vector<Call> record(Draw draw) {
        std::vector<Call> calls;
        composition().setRecorder(&calls);
        draw();
        composition().setRecorder(nullptr);
        return calls;
    }

    // One DrawArm call; the cells keep what DrawArm writes back.
    struct Cells {
        Variant angle, size, thickness, color, offset;
    };
    Call arm(Cells& c) {
        const auto calls = record([&] { Form1->DrawArm(c.angle, c.size, c.thickness, c.color, c.offset); });
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? Call{} : calls[0];
    }
    Call arm(double angle, int size, int thickness, double offset = 0) {
        Cells c{Variant(float(angle)), Variant(std::int16_t(size)), Variant(std::int16_t(thickness)),
                Variant(&Module1::HourHandColor), Variant(offset)};
        return arm(c);
    }

    void sizeComposition(int w, int h) {
        Form1->Picture8.setWidth(float(w));
        Form1->Picture8.setHeight(float(h));
    }

    FakeClock clock;
};

void expectLine(const Call& c, double x1, double y1, double x2, double y2, double within = 1e-3) {
    EXPECT_EQ(c.kind, Call::Line);
    EXPECT_NEAR(c.x1, x1, within);
    EXPECT_NEAR(c.y1, y1, within);
    EXPECT_NEAR(c.x2, x2, within);
    EXPECT_NEAR(c.y2, y2, within);
}

// ---- DrawArm ----

TEST_F(Face, HandsRunFromTheCentreOfTheArtworkClockwiseFromTwelve) {
    expectLine(arm(0, 24, 2), 350, 350, 350, 182);
    expectLine(arm(90, 24, 2), 350, 350, 518, 350);
    expectLine(arm(180, 24, 2), 350, 350, 350, 518);
    expectLine(arm(270, 24, 2), 350, 350, 182, 350);
    expectLine(arm(30, 24, 2), 350, 350, 434, 204.51, 0.01);
    // Angles are never reduced to one turn: 518,310 degrees is 270 plus whole turns.
    expectLine(arm(270, 36, 1), 350, 350, 98, 350);
    expectLine(arm(518310, 36, 1), 350, 350, 98, 350);
}

TEST_F(Face, AShadowIsTheHandShiftedDiagonallyAndTheCellsComeBackRewritten) {
    Cells c{Variant(90.0f), Variant(std::int16_t(24)), Variant(std::int16_t(2)), Variant(&Module1::ShadowColor),
            Variant(0.5)};
    const Call line = arm(c);
    expectLine(line, 362.25, 362.25, 530.25, 362.25);
    EXPECT_EQ(line.colour, Module1::ShadowColor);
    EXPECT_EQ(c.angle.type(), Variant::Type::Single);
    EXPECT_EQ(c.angle.toDouble(), 0.0);
    EXPECT_EQ(c.offset.type(), Variant::Type::Double);
    EXPECT_EQ(c.offset.toDouble(), 12.25);
    EXPECT_EQ(Form1->CenterX, 350);
    EXPECT_EQ(Form1->CenterY, 350);

    // An offset of 0 comes back as 0, so the hands can share one cell.
    c.angle = 0.0f;
    c.offset = std::int16_t(0);
    arm(c);
    EXPECT_EQ(c.offset.toDouble(), 0.0);
}

TEST_F(Face, PenWidthIsThicknessTimesHalfTheProductOfTheScalesWithinItsBounds) {
    struct Case {
        int w, h, thickness, pen;
    };
    // 700: 49 and 24.5 capped at 10 and 5. 200: 4 and 2, under the caps.
    // 100: 0.5 raised to 1, and exactly 1 kept. 250 x 100: 2.5 to the even 2.
    for (const Case& c : {Case{700, 700, 2, 10}, Case{700, 700, 1, 5}, Case{200, 200, 2, 4}, Case{200, 200, 1, 2},
                          Case{100, 100, 1, 1}, Case{100, 100, 2, 1}, Case{250, 100, 2, 2}}) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << ", thickness " << c.thickness);
        sizeComposition(c.w, c.h);
        EXPECT_EQ(arm(45, 30, c.thickness).penWidth, c.pen);
        EXPECT_EQ(Form1->Picture8.DrawWidth(), c.pen) << "the pen stays at the last hand's width";
    }
}

TEST_F(Face, OnAnOblongSurfaceTheTipRunsOnAnEllipseAboutTheRoundedCentre) {
    sizeComposition(250, 100);
    expectLine(arm(90, 36, 1), 125, 50, 215, 50);
    expectLine(arm(0, 36, 1), 125, 50, 125, 14);
    // Half a pixel goes to the even neighbour.
    sizeComposition(701, 700);
    EXPECT_EQ(arm(0, 24, 2).x1, 350);
    sizeComposition(703, 700);
    EXPECT_EQ(arm(0, 24, 2).x1, 352);
}

// ---- The redraw ----

std::vector<Call> linesOf(const std::vector<Call>& calls) {
    std::vector<Call> lines;
    for (const Call& c : calls)
        if (c.kind == Call::Line) lines.push_back(c);
    return lines;
}

TEST_F(Face, ATickRestoresTheArtworkThenDrawsShadowsUnderHandsSecondHandLast) {
    using namespace Module1;
    // 15:00:00: hour hand at three, minute and second hands at twelve.
    const auto calls = record([] { Form1->Timer1_Timer(); });
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().kind, Call::Clear) << "the artwork comes back before anything is drawn";
    const auto lines = linesOf(calls);
    ASSERT_EQ(lines.size(), 6u);
    expectLine(lines[0], 362.25, 362.25, 530.25, 362.25);
    expectLine(lines[1], 364.7, 364.7, 364.7, 140.7);
    expectLine(lines[2], 367.15, 367.15, 367.15, 115.15);
    expectLine(lines[3], 350, 350, 518, 350);
    expectLine(lines[4], 350, 350, 350, 126);
    expectLine(lines[5], 350, 350, 350, 98);
    const rt::Colour colours[6] = {ShadowColor,   ShadowColor,     ShadowColor,
                                   HourHandColor, MinuteHandColor, SecondHandColor};
    const int pens[6] = {10, 10, 5, 10, 10, 5};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(lines[i].colour, colours[i]) << "call " << i + 1;
        EXPECT_EQ(lines[i].penWidth, pens[i]) << "call " << i + 1;
    }

    // Shadows only for exactly 1.
    for (std::int16_t value : {0, 2, -1}) {
        ShowShadows = value;
        const auto hands = linesOf(record([] { Form1->Timer1_Timer(); }));
        ASSERT_EQ(hands.size(), 3u) << "ShowShadows " << value;
        EXPECT_EQ(hands[0].colour, HourHandColor);
        EXPECT_EQ(hands[2].colour, SecondHandColor);
    }
}

TEST_F(Face, HandsPassMidnightWithoutAJump) {
    clock.setMsecs(86399990);  // 23:59:59.99
    const auto before = linesOf(record([] { Form1->Timer1_Timer(); }));
    clock.setMsecs(0);
    const auto after = linesOf(record([] { Form1->Timer1_Timer(); }));
    ASSERT_EQ(before.size(), 6u);
    ASSERT_EQ(after.size(), 6u);
    expectLine(after[3], 350, 350, 350, 182);
    expectLine(after[4], 350, 350, 350, 126);
    expectLine(after[5], 350, 350, 350, 98);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(before[i].x2, after[i].x2, 0.5) << "call " << i + 1;
        EXPECT_NEAR(before[i].y2, after[i].y2, 0.5) << "call " << i + 1;
    }
    // The second hand's angle, 518,399.94 degrees, is kept whole in single
    // precision (to 1/32 degree) rather than reduced to 359.94.
    const float t = 8639999 / 100.0f;
    const double a = (double(float(float(t * 6.0f) - 90.0f))) * std::numbers::pi / 180;
    EXPECT_NEAR(before[5].x2, 350 + std::cos(a) * 36 * 7, 1e-3);
    EXPECT_NEAR(before[5].y2, 350 + std::sin(a) * 36 * 7, 1e-3);
}

// The face as a halftone copy of a 700 x 700 picture.
QImage shrunk(const QImage& picture, int w, int h) {
    QImage out(w, h, QImage::Format_RGB32);
    rt::Stretcher().stretch(picture, picture.rect(), out, out.rect());
    return out;
}

QImage artwork() {
    const rt::Picture art = rt::Picture::load(":/clock/artwork/face.bmp");
    return art.image();
}

void resizeClient(int w, int h) {
    Form1->setWidth(w * rt::twipsPerPixelX());
    Form1->setHeight(h * rt::twipsPerPixelY());
}

TEST_F(Face, TheFaceShowsThePreviousTickAndBareArtworkRightAfterAResize) {
    const auto face = [] { return Form1->Picture2.surface()->pixels().copy(0, 0, 133, 133); };
    // The pixel over a point 240 of 350 pixels out, where only the second
    // hand reaches.
    const auto out = [](double degrees, double scale) {
        const double a = (degrees - 90) * std::numbers::pi / 180;
        return QPoint(int(std::floor(scale * (350 + 240 * std::cos(a)))),
                      int(std::floor(scale * (350 + 240 * std::sin(a)))));
    };
    const double s = 133.0 / 700;

    clock.set(15, 0, 45);  // second hand at nine
    resizeClient(133, 133);
    EXPECT_EQ(Form1->Picture2.Width(), 133);
    EXPECT_EQ(Form1->Picture2.Height(), 133);
    const QImage bare = shrunk(artwork(), 133, 133);
    EXPECT_EQ(face(), bare) << "the tick inside the resize shows the bare artwork";
    const QImage composedAtNine = composition().pixels().copy();
    EXPECT_EQ(composedAtNine.pixel(out(270, 1)), rgbOf(Module1::SecondHandColor));

    clock.set(15, 0, 15);  // second hand at three
    Form1->Timer1_Timer();
    EXPECT_EQ(face(), shrunk(composedAtNine, 133, 133));
    EXPECT_NE(face().pixel(out(270, s)), bare.pixel(out(270, s))) << "the hand of the tick before";
    EXPECT_EQ(face().pixel(out(90, s)), bare.pixel(out(90, s))) << "not yet this tick's";
    const QImage composedAtThree = composition().pixels().copy();
    EXPECT_EQ(composedAtThree.pixel(out(90, 1)), rgbOf(Module1::SecondHandColor));

    Form1->Timer1_Timer();
    EXPECT_EQ(face(), shrunk(composedAtThree, 133, 133));
    EXPECT_EQ(face().pixel(out(270, s)), bare.pixel(out(270, s)));
    EXPECT_NE(face().pixel(out(90, s)), bare.pixel(out(90, s)));
}

TEST_F(Face, TheFaceTakesTheClientSizeOnlyWhenBothSidesExceedTwentyPixels) {
    const auto faceSize = [] { return QSize(int(Form1->Picture2.Width()), int(Form1->Picture2.Height())); };
    ASSERT_EQ(faceSize(), QSize(200, 200));
    resizeClient(20, 20);
    EXPECT_EQ(faceSize(), QSize(200, 200));
    resizeClient(200, 20);
    EXPECT_EQ(faceSize(), QSize(200, 200));
    resizeClient(20, 200);
    EXPECT_EQ(faceSize(), QSize(200, 200));
    resizeClient(21, 21);
    EXPECT_EQ(faceSize(), QSize(21, 21));
    // Between the width and the height of one change the face takes the oblong size.
    Form1->setWidth(333 * rt::twipsPerPixelX());
    EXPECT_EQ(faceSize(), QSize(333, 21));
    Form1->setHeight(333 * rt::twipsPerPixelY());
    EXPECT_EQ(faceSize(), QSize(333, 333));
}

// ---- Marks ----

std::vector<Call> ofKind(const std::vector<Call>& calls, Call::Kind kind) {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}

QPointF markPoint(double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return {350 + 308 * std::cos(a), 350 + 308 * std::sin(a)};
}

TEST_F(Face, StyleZeroSwitchesEveryMarkOffAndLeavesTheCentreAndPenAlone) {
    using namespace Module1;
    Form1->CenterX = 7;
    Form1->CenterY = 9;
    Form1->Picture8.setDrawWidth(3);
    for (std::int16_t style : {0, -1}) {
        TikStyle = style;
        MinuteTikStyle = 1;
        const auto calls = record([] { Form1->DrawTiks(); });
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].kind, Call::Clear);
    }
    EXPECT_EQ(Form1->CenterX, 7);
    EXPECT_EQ(Form1->CenterY, 9);
    EXPECT_EQ(Form1->Picture8.DrawWidth(), 3);
}

TEST_F(Face, EmbossedHourDotsAndMinutePixelsSitOnTheRingClockwiseFromThree) {
    using namespace Module1;
    TikStyle = 1;
    MinuteTikStyle = 0;
    auto dots = ofKind(record([] { Form1->DrawTiks(); }), Call::Point);
    ASSERT_EQ(dots.size(), 36u);
    for (int i = 1; i <= 12; ++i) {
        const QPointF p = markPoint(30 * i);
        const Call* d = &dots[3 * (i - 1)];
        EXPECT_NEAR(d[0].x1, p.x() - 1, 1e-3);
        EXPECT_NEAR(d[1].y1, p.y() + 1, 1e-3);
        EXPECT_NEAR(d[2].x1, p.x(), 1e-3);
        EXPECT_NEAR(d[2].y1, p.y(), 1e-3);
        EXPECT_EQ(d[0].colour, HourTikLight);
        EXPECT_EQ(d[1].colour, HourTikDark);
        EXPECT_EQ(d[2].colour, HourTikColor) << "the mark's own colour goes on top";
        for (int k = 0; k < 3; ++k) EXPECT_EQ(d[k].penWidth, 16);
        EXPECT_EQ(composition().pixels().pixel(p.toPoint()), rgbOf(HourTikColor));
    }

    // No hour marks for 6, sixty three-pixel minute marks starting at three.
    TikStyle = 6;
    MinuteTikStyle = 1;
    dots = ofKind(record([] { Form1->DrawTiks(); }), Call::Point);
    ASSERT_EQ(dots.size(), 180u);
    EXPECT_NEAR(dots[2].x1, 658, 1e-3);
    EXPECT_NEAR(dots[2].y1, 350, 1e-3);
    EXPECT_EQ(dots[2].colour, MinuteTikColor);
    EXPECT_EQ(dots[2].penWidth, 1);
}

TEST_F(Face, RingMarksAreBlackMinuteCirclesUnderWideHourCircles) {
    using namespace Module1;
    TikStyle = 2;
    MinuteTikStyle = 2;
    const auto circles = ofKind(record([] { Form1->DrawTiks(); }), Call::Circle);
    ASSERT_EQ(circles.size(), 72u);
    for (int i = 0; i < 60; ++i) {
        EXPECT_NEAR(circles[i].x2, 4.9, 1e-5);
        EXPECT_EQ(circles[i].colour, 0);
        EXPECT_EQ(circles[i].penWidth, 1);
    }
    for (int i = 60; i < 72; ++i) {
        EXPECT_NEAR(circles[i].x2, 24.5 / 1.5, 1e-4) << "the radius is not rounded";
        EXPECT_EQ(circles[i].colour, HourTikColor);
        EXPECT_EQ(circles[i].penWidth, 16);
    }
    EXPECT_NEAR(circles[71].x1, 658, 1e-3) << "the twelfth hour mark is at three";

    // On a small surface the minute marks go and the hour marks shrink to a pixel.
    sizeComposition(100, 100);
    const auto small = ofKind(record([] { Form1->DrawTiks(); }), Call::Circle);
    ASSERT_EQ(small.size(), 12u);
    EXPECT_EQ(small[0].x2, 1.0f);
    EXPECT_EQ(small[0].penWidth, 1);
}

TEST_F(Face, PictureMarksAreCentredOnTheRingAndNeedAFormWiderAndTallerThanTwenty) {
    using namespace Module1;
    for (std::int16_t style : {3, 4, 5}) {
        TikStyle = style;
        const auto pictures = ofKind(record([] { Form1->DrawTiks(); }), Call::Picture);
        ASSERT_EQ(pictures.size(), 12u) << "style " << style;
        const float s = style == 5 ? 32 : 12;
        const QPointF p = markPoint(90);
        EXPECT_EQ(pictures[2].x2, s);
        EXPECT_EQ(pictures[2].y2, s);
        EXPECT_NEAR(pictures[2].x1, p.x() - s / 2, 1e-3);
        EXPECT_NEAR(pictures[2].y1, p.y() - s / 2, 1e-3);
    }
    TikStyle = 5;
    resizeClient(20, 200);
    EXPECT_TRUE(ofKind(record([] { Form1->DrawTiks(); }), Call::Picture).empty());
}

}  // namespace
