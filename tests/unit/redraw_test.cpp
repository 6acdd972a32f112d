// The redraw's shortcuts held to the plain computation: the halftone worked
// out afresh only under what was drawn, the copy onto the face, the local
// time asked of the zone once a second, and what reaches the screen when a
// refresh shows only what changed.
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "form_helpers.h"
#include "gdi.h"
#include "halftone.h"
#include "runs.h"
#include "surface.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTime>
#include <QWidget>
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <utility>

namespace {

// Pixels of a few colours, so that copies meet runs of equal pixels and
// averages land on halves.
QImage speckled(QSize size, unsigned seed, int colours = 5) {
    QImage img(size, QImage::Format_RGB32);
    std::mt19937 random(seed);
    const QRgb palette[5] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 80, 32), qRgb(1, 2, 3), qRgb(128, 127, 129)};
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) img.setPixel(x, y, palette[random() % colours]);
    return img;
}

// Areas drawn over a copy of `picture`, scribbled inside so that the
// picture shows through nowhere else.
std::pair<QImage, std::vector<QRect>> drawnOver(const QImage& picture, std::mt19937& random) {
    QImage src = picture.copy();
    std::vector<QRect> drawn;
    const int n = int(random() % 7);
    for (int i = 0; i < n; ++i) {
        const QRect r = QRect(int(random() % (picture.width() + 20)) - 10, int(random() % (picture.height() + 20)) - 10,
                              1 + int(random() % 60), 1 + int(random() % 60)) &
                        picture.rect();
        if (r.isEmpty()) continue;
        drawn.push_back(r);
        for (int k = 0; k < 40; ++k)
            src.setPixel(r.left() + int(random() % r.width()), r.top() + int(random() % r.height()),
                         random() | 0xFF000000u);
    }
    return {src, drawn};
}

// Both the restore and the halftone trust the areas a surface notes as drawn
// on: every pixel a line changes must lie inside one of them.
TEST(DrawnAreas, HoldEveryPixelALineChanges) {
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(Qt::white);
    rt::Surface s(160, 120, 0);
    s.setPicture(&picture);
    std::mt19937 random(17);
    const auto any = [&](float lo, float hi) { return lo + (hi - lo) * float(random() % 10000) / 9999.0f; };
    for (int i = 0; i < 3000; ++i) {
        s.clear();
        const int pen = 1 + int(random() % 12);
        const float x1 = any(-20, 180), y1 = any(-20, 140), x2 = any(-20, 180), y2 = any(-20, 140);
        s.line(x1, y1, x2, y2, 0x0000FF, pen);
        ASSERT_NE(s.pictureUnderDrawing(), nullptr);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                if (s.pixels().pixel(x, y) == picture.pixel(x, y)) continue;
                bool noted = false;
                for (const QRect& r : s.drawnSinceClear()) noted = noted || r.contains(x, y);
                ASSERT_TRUE(noted) << "pen " << pen << " from " << x1 << ", " << y1 << " to " << x2 << ", " << y2
                                   << ": pixel " << x << ", " << y;
            }
    }
}

// The restore, the halftone and the face copy walk runs merged from areas
// that overlap: every pixel of the areas in one run, the runs in order and
// apart, and two such lists joined or taken one from the other likewise.
TEST(Runs, HoldEachPixelOfTheirAreasOnce) {
    constexpr int W = 90, H = 70;
    const auto pixelsOf = [&](const std::vector<rt::Run>& runs) {
        std::vector<bool> in(W * H);
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const rt::Run& r = runs[i];
            EXPECT_LT(r.x0, r.x1);
            EXPECT_TRUE(i == 0 || runs[i - 1].y < r.y || runs[i - 1].x1 < r.x0) << "run " << i << " out of order";
            for (int x = r.x0; x < r.x1; ++x) in[r.y * W + x] = true;
        }
        return in;
    };
    std::mt19937 random(21);
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        rt::RowMerge merge[3];  // a, b and both
        std::vector<bool> want[2] = {std::vector<bool>(W * H), std::vector<bool>(W * H)};
        for (int k = 0; k < 2; ++k)
            for (int n = int(random() % 12); n > 0; --n) {
                const int x0 = int(random() % W), y0 = int(random() % H);
                const rt::Area a{y0, std::min(H, y0 + 1 + int(random() % 30)), x0,
                                 std::min(W, x0 + int(random() % 40))};
                merge[k].add(a);
                merge[2].add(a);
                for (int y = a.y0; y < a.y1; ++y)
                    for (int x = a.x0; x < a.x1; ++x) want[k][y * W + x] = true;
            }
        std::vector<rt::Run> a, b, both, joined, rest;
        merge[0].merge(a);
        merge[1].merge(b);
        merge[2].merge(both);
        ASSERT_EQ(pixelsOf(a), want[0]);
        rt::joinRuns(a, b, joined);
        ASSERT_EQ(pixelsOf(joined), pixelsOf(both));
        rt::subtractRuns(a, b, rest);
        for (int i = 0; i < W * H; ++i) want[0][i] = want[0][i] && !want[1][i];
        ASSERT_EQ(pixelsOf(rest), want[0]);
    }
}

TEST(HalftoneOver, CallAfterCallItGivesWhatTheWholeStretchGives) {
    const QImage picture = speckled({300, 240}, 1);
    const QImage otherPicture = speckled({300, 240}, 2);
    std::mt19937 random(5);
    // Reductions as the clock makes them, a part of the source, a
    // destination inside a larger image, and an enlargement.
    const std::pair<QRect, QRect> cases[] = {
        {QRect(0, 0, 300, 240), QRect(0, 0, 86, 69)},
        {QRect(0, 0, 300, 240), QRect(5, 7, 100, 100)},
        {QRect(10, 20, 250, 200), QRect(0, 0, 77, 61)},
        {QRect(3, 3, 40, 30), QRect(2, 1, 110, 100)},
    };
    for (bool portable : {false, true}) {
        for (const auto& [from, to] : cases) {
            SCOPED_TRACE(testing::Message() << (portable ? "plain code, " : "vector code, ") << from.width() << "x"
                                            << from.height() << " to " << to.width() << "x" << to.height());
            QImage dst(120, 110, QImage::Format_RGB32);
            dst.fill(Qt::green);
            rt::Stretcher over;  // as the destination's surface keeps it
            bool asLeft = false;
            for (int call = 0; call < 16; ++call) {
                // Now and then another picture under the same destination,
                // or something else drawn over what the last call left.
                const QImage& under = call % 7 == 6 ? otherPicture : picture;
                if (call % 5 == 4) {
                    dst.setPixel(to.center(), qRgb(1, 1, 1));
                    asLeft = false;
                }
                const auto [src, drawn] = drawnOver(under, random);
                QImage expected = dst.copy();
                rt::Stretcher().stretch(src, from, expected, to, portable);
                ASSERT_TRUE(over.stretchOver(under, drawn, src, from, dst, to, asLeft, portable));
                ASSERT_EQ(dst, expected) << "call " << call;
                asLeft = true;
            }
        }
    }
    QImage small(50, 50, QImage::Format_RGB32);
    EXPECT_FALSE(rt::Stretcher().stretchOver(picture, {}, picture, picture.rect(), small, QRect(10, 10, 86, 69), false))
        << "a destination reaching outside the image is left to the whole stretch";
}

// The form image after every tick must be the whole halftone of what the
// composition surface held before it, and the face a copy of it: across
// size changes, a background fill of the form image, shadows switched off,
// marks that draw more areas than are kept, a picture written behind the
// surface's drawing, a line drawn on the face, and a second halftone
// between two copies.
TEST(HalftoneOver, TheClocksFormImageIsTheWholeStretchAfterEveryTick) {
    FakeClock clock;
    clock.set(23, 59, 50);
    Module1::SetStartValues();
    Form1->Show();
    std::mt19937 random(3);
    const auto resize = [](int w, int h) {
        Form1->setWidth(float(w) * rt::twipsPerPixelX());
        Form1->setHeight(float(h) * rt::twipsPerPixelY());
    };
    for (int i = 0; i < 240; ++i) {
        SCOPED_TRACE(testing::Message() << "tick " << i);
        // Mostly 100 ms steps, past midnight, with jumps that swing the hands
        // about.
        clock.setMsecs((clock.msecsSinceMidnight() + (i % 9 == 8 ? int(random() % 3600000) : 100)) % 86400000);
        switch (i) {
        case 30: resize(133, 133); break;
        case 40: Form1->Picture2.Line(0, 0, 120, 90, 0xFF00FF); break;
        case 54:  // just after a jump, so that the two stretches differ
            rt::StretchBlt(Form1->hDC(), 0, 0, 133, 133, Form1->Picture8.hDC(), 0, 0, 700, 700, rt::SRCCOPY);
            break;
        case 60: resize(333, 200); break;
        case 90: Module1::BackgroundMode = 0; break;
        case 110:
            Module1::BackgroundMode = 5;
            Module1::ShowShadows = 0;
            break;
        case 130:
            Module1::ShowShadows = 1;
            Module1::TikStyle = 1;
            Module1::MinuteTikStyle = 1;
            break;
        case 150:
            Module1::TikStyle = 0;
            Module1::MinuteTikStyle = 0;
            break;
        case 170: Form1->Picture8.surface()->writeAll().setPixel(350, 350, qRgb(0, 255, 0)); break;
        case 200: resize(200, 200); break;
        }
        const QImage composed = Form1->Picture8.surface()->pixels().copy();
        QImage expected(int(Form1->ScaleWidth()), int(Form1->ScaleHeight()), QImage::Format_RGB32);
        rt::Stretcher().stretch(composed, composed.rect(), expected, expected.rect(), true);
        Form1->Timer1_Timer();
        ASSERT_EQ(Form1->surface()->pixels(), expected);
        ASSERT_EQ(Form1->Picture2.surface()->pixels(), expected);
    }
}

TEST(BitBlt, CopiesWhatAPainterWould) {
    rt::Surface src(50, 40, 0), dst(60, 30, 0);
    src.writeAll() = speckled({50, 40}, 7, 2);
    std::mt19937 random(9);
    const auto any = [&](int lo, int hi) { return lo + int(random() % unsigned(hi - lo + 1)); };
    for (int i = 0; i < 400; ++i) {
        const int x = any(-70, 70), y = any(-50, 50), cx = any(-5, 80), cy = any(-5, 60);
        const int x1 = any(-60, 60), y1 = any(-50, 50);
        SCOPED_TRACE(testing::Message() << x << "," << y << " " << cx << "x" << cy << " from " << x1 << "," << y1);
        const QImage before = speckled({60, 30}, unsigned(i), 2);
        dst.writeAll() = before.copy();
        QImage expected = before.copy();
        QPainter p(&expected);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(x, y), src.pixels(), QRect(x1, y1, cx, cy));
        p.end();
        ASSERT_EQ(rt::BitBlt(dst.hdc(), x, y, cx, cy, src.hdc(), x1, y1, rt::SRCCOPY), 1);
        ASSERT_EQ(dst.pixels(), expected);
    }
}

TEST(LocalTime, IsTheLocalTimeOfDayInAZoneFarFromUtc) {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Asia/Kolkata");  // +05:30, so an offset in whole hours would show
    tzset();
    rt::setSystemClock(nullptr);
    for (int i = 0; i < 30; ++i) {
        const int before = QTime::currentTime().msecsSinceStartOfDay();
        const int ours = rt::systemClock().msecsSinceMidnight();
        const int after = QTime::currentTime().msecsSinceStartOfDay();
        if (after < before) continue;  // midnight passed in between
        EXPECT_GE(ours, before);
        EXPECT_LE(ours, after);
        QThread::msleep(37);
    }
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

// A form with a face over part of it: what the window shows after each
// refresh must be the face's image over the face and the form's elsewhere,
// though each refresh repaints only what changed.
class PartlyCoveredForm : public rt::Form {
public:
    PartlyCoveredForm() : rt::Form("Covered"), Face(*this, "Face") {}
    rt::PictureBox Face;

protected:
    void InitializeComponent() override {
        setDesignBorderless(true);
        setDesignBackColor(0xFFFFFF);
        setDesignClientArea(1500, 1500, 1500, 1500);  // 100 x 100 pixels
        Face.setDesignGeometry(150, 150, 900, 900);   // 60 x 60 at (10, 10)
        Face.setDesignBackColor(0x000000);
    }
};

QImage shown(QWidget* window) {
    QCoreApplication::processEvents();
    return window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(Refresh, TheWindowShowsTheFaceOverTheFormAndTheFormAroundIt) {
    PartlyCoveredForm form;
    form.Show();
    QWidget* window = form.window();
    runEventsFor(50);
    const auto expectShown = [&](const char* when) {
        const QImage screen = shown(window);
        ASSERT_EQ(screen.size(), QSize(100, 100)) << when;
        const QImage& formImage = form.surface()->pixels();
        const QImage& faceImage = form.Face.surface()->pixels();
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                const bool onFace = x >= 10 && x < 70 && y >= 10 && y < 70;
                const QRgb want = onFace ? faceImage.pixel(x - 10, y - 10) : formImage.pixel(x, y);
                ASSERT_EQ(screen.pixel(x, y), want) << when << " at " << x << ", " << y;
            }
    };
    expectShown("at first");

    // The form drawn on across the face: only the part beside it shows.
    form.LineBoxFilled(0, 40, 99, 50, 0x0000FF);
    form.Refresh();
    expectShown("after the form's refresh");

    // A copy onto the face, changing only some of its pixels.
    for (int i = 0; i < 3; ++i) {
        rt::Surface from(60, 60, 0);
        from.writeAll() = speckled({60, 60}, unsigned(20 + i), 2);
        rt::BitBlt(form.Face.hDC(), 0, 0, 60, 60, from.hdc(), 0, 0, rt::SRCCOPY);
        form.Face.Refresh();
        expectShown("after the face's refresh");
    }
    form.Face.Line(5, 5, 50, 30, 0x00FF00);
    form.Face.Refresh();
    expectShown("after a line on the face");
}

}  // namespace
