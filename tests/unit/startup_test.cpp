// The clock coming up and going down: Main, the window it opens, the first
// picture, the generator's seed, the clip, and the unload of every form.
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "form_helpers.h"
#include "prefs.h"
#include "closesignals.h"
#include "surface.h"
#include "window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <set>
#include <vector>

namespace {

// Half past three and thirty seconds: the three hands point to different
// places, so each leaves pixels of its own colour.
constexpr std::int32_t kHalfPastThree = ((15 * 60 + 30) * 60 + 30) * 1000;

QRgb rgbOf(rt::Colour c) { return rt::toQColor(c).rgb(); }

void scribbleOverTheSettings() {
    using namespace Module1;
    TikStyle = 2;
    HourTikColor = 0x00FF00;
    HourTikLight = 0xFF00FF;
    HourTikDark = 0x00FFFF;
    MinuteTikStyle = 1;
    MinuteTikColor = 0xFFFF00;
    MinuteTikLight = 0x0000FF;
    MinuteTikDark = 0x7F007F;
    HourHandColor = 0x00FF00;
    MinuteHandColor = 0xFF00FF;
    SecondHandColor = 0x00FFFF;
    ShowShadows = 0;
    ShadowColor = 0xFFFFFF;
    BackgroundMode = 0;
    FaceBackColor = 0x0000FF;
}

TEST(ClockStartUp, MainOpensTheWindowAtItsDesignPlaceAboveOthersAndClipped) {
    FakeClock clock(kHalfPastThree);
    Module1::Main();

    ASSERT_TRUE(Form1->isLoaded());
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_EQ(rt::Forms(), std::vector<rt::Form*>{&Form1.get()}) << "Main loaded more than the clock";
    EXPECT_FALSE(prefs.exists()) << "the menu form is made by the first pop-up, not at start-up";

    QWidget* window = Form1->window();
    EXPECT_EQ(window->geometry(), QRect(68, 55, 200, 200));
    EXPECT_EQ(Form1->Left(), 1020.0f);
    EXPECT_EQ(Form1->Top(), 825.0f);
    EXPECT_EQ(Form1->Width(), 3000.0f);
    EXPECT_EQ(Form1->Height(), 3000.0f);
    EXPECT_EQ(Form1->ScaleWidth(), 200.0f);
    EXPECT_EQ(Form1->ScaleHeight(), 200.0f);
    EXPECT_EQ(Form1->Picture2.Width(), 200.0f) << "the face does not cover the client area";
    EXPECT_EQ(Form1->Picture2.Height(), 200.0f);

    ASSERT_NE(window->windowHandle(), nullptr);
    const Qt::WindowFlags flags = window->windowHandle()->flags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(flags.testFlag(Qt::X11BypassWindowManagerHint)) << "no window manager could keep it on top";

    expectInscribedEllipse(rt::windowRegion(window), 200, 200);
    EXPECT_EQ(rt::liveRegionCount(), 0) << "a region was made and never handed to the window";
}

// The first picture is composed inside Show, before Main returns: the
// settings must hold their start values by then, whatever they held before.
TEST(ClockStartUp, FirstPictureIsDrawnWithTheStartValues) {
    FakeClock clock(kHalfPastThree);
    scribbleOverTheSettings();
    Module1::Main();

    // What the first tick composed on the hidden surface: the artwork plus
    // the three hands and their shadows, nothing else.
    const QImage composed = Form1->Picture8.surface()->pixels().convertToFormat(QImage::Format_RGB32);
    const rt::Picture art = rt::Picture::load(":/clock/artwork/face.bmp");
    const QImage artwork = art.image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(composed.size(), artwork.size());

    const std::set<QRgb> expected = {rgbOf(rt::rtcRgb(140, 32, 8)), rgbOf(rt::rtcRgb(180, 64, 20)),
                                     rgbOf(rt::rtcRgb(200, 80, 32)), rgbOf(0)};
    std::set<QRgb> seen;
    int stray = 0;
    for (int y = 0; y < composed.height(); ++y)
        for (int x = 0; x < composed.width(); ++x) {
            const QRgb p = composed.pixel(x, y);
            if (p == artwork.pixel(x, y)) continue;
            if (expected.count(p))
                seen.insert(p);
            else
                ++stray;
        }
    EXPECT_EQ(stray, 0) << "pixels drawn in colours other than the hands' and shadows' start values";
    EXPECT_EQ(seen, expected) << "a hand or the shadows are missing from the first picture";
    EXPECT_EQ(Module1::BackgroundMode, 5);
    EXPECT_EQ(Module1::FaceBackColor, 0x9E958F);
}

// Two starts at the same time of day draw the same chimes, two starts at
// different times different ones, whatever the generator held before.
TEST(ClockStartUp, FormLoadSeedsTheGeneratorFromTheTimeOfDay) {
    FakeClock clock;
    const auto sequenceAfterLoadAt = [&](std::int32_t msecs, std::uint32_t before) {
        rt::resetFormInstances();
        rt::setRandomState(before);
        clock.setMsecs(msecs);
        Form1->hWnd();  // first use loads the form
        std::vector<float> draws;
        for (int i = 0; i < 8; ++i) draws.push_back(rt::rtcRandomNext());
        return draws;
    };
    const std::int32_t tenOClock = 10 * 3600 * 1000;
    const auto first = sequenceAfterLoadAt(tenOClock, 0x123456);
    EXPECT_EQ(sequenceAfterLoadAt(tenOClock, 0xABCDEF), first);
    EXPECT_NE(sequenceAfterLoadAt(tenOClock + 10, 0x123456), first) << "a hundredth later";
    EXPECT_NE(sequenceAfterLoadAt(tenOClock + 3600 * 1000, 0x123456), first) << "an hour later";
    EXPECT_NE(sequenceAfterLoadAt(0, 0x123456), first) << "midnight";
}

// Sizes are written in twips and land on whole pixels, 15 twips a pixel at
// 96 dots per inch, each clipped afresh; positions round half to even.
TEST(ClockWindow, TwipsBecomeWholePixels) {
    FakeClock clock(kHalfPastThree);
    Module1::Main();
    ASSERT_EQ(rt::twipsPerPixelX(), 15.0f) << "these figures assume a 96 dpi screen";
    QWidget* window = Form1->window();

    struct Size {
        float twips;
        int pixels;
    };
    for (Size s : {Size{2000, 133}, Size{5000, 333}, Size{3000, 200}}) {
        SCOPED_TRACE(s.twips);
        Form1->setWidth(s.twips);
        Form1->setHeight(s.twips);
        EXPECT_EQ(Form1->ScaleWidth(), float(s.pixels));
        EXPECT_EQ(Form1->ScaleHeight(), float(s.pixels));
        EXPECT_EQ(window->size(), QSize(s.pixels, s.pixels));
        // Borderless: the window is the client area, so the twips read back
        // are the pixels times 15.
        EXPECT_EQ(Form1->Width(), 15.0f * Form1->ScaleWidth());
        EXPECT_EQ(Form1->Height(), 15.0f * Form1->ScaleHeight());
        EXPECT_EQ(Form1->Picture2.Width(), float(s.pixels));
        EXPECT_EQ(Form1->Picture8.ScaleWidth(), 700.0f) << "the composition surface follows the window";
        expectInscribedEllipse(rt::windowRegion(window), s.pixels, s.pixels);
    }
    EXPECT_EQ(rt::liveRegionCount(), 0) << "a region was made and never handed to the window";

    Form1->setLeft(1500);
    Form1->setTop(750);
    EXPECT_EQ(window->pos(), QPoint(100, 50));
    EXPECT_EQ(Form1->Left(), 1500.0f);
    Form1->setLeft(1507.5f);  // 100.5 px
    Form1->setTop(1522.5f);   // 101.5 px
    EXPECT_EQ(window->pos(), QPoint(100, 102));
    EXPECT_EQ(Form1->Left(), 1507.5f) << "the position reads back as written";
}

// The clock form with a count of its query-unload events; everything else is
// the clock's own.
class CountedClockForm : public Form1Form {
public:
    int queryUnloads = 0;
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) override {
        ++queryUnloads;
        Form1Form::Form_QueryUnload(Cancel, UnloadMode);
    }
};

// Unloading the clock for whatever reason is never refused and takes every
// loaded form with it, each asked once; the walk over Forms must not skip a
// form when an earlier one leaves the collection.
TEST(ClockShutDown, UnloadingTheClockUnloadsEveryFormOnceWhateverTheMode) {
    for (int mode : {0, 1, 2, 3, 4, 5}) {  // the four named modes and two more
        SCOPED_TRACE(mode);
        CountedClockForm clock;
        ProbeForm other("Other");
        clock.load();
        prefs->hWnd();
        other.load();
        ASSERT_EQ(rt::Forms().size(), 3u);

        clock.unload(std::int16_t(mode));
        EXPECT_EQ(clock.queryUnloads, 1);
        EXPECT_EQ(other.queryUnloads, 1);
        EXPECT_FALSE(clock.isLoaded()) << "closing was refused";
        EXPECT_FALSE(prefs->isLoaded()) << "the menu form stayed loaded and hidden";
        EXPECT_FALSE(other.isLoaded());
        EXPECT_TRUE(rt::Forms().empty());
        rt::resetFormInstances();
    }
}

// Closed before the menu was ever used: only the clock was loaded, and once
// it is gone its timers no longer tick (a tick would load it again).
TEST(ClockShutDown, UnloadBeforeTheMenuWasOpenedLeavesNothingRunning) {
    FakeClock clock(kHalfPastThree);
    Module1::Main();
    rt::Unload(Form1.get());
    EXPECT_FALSE(Form1->isLoaded());
    EXPECT_FALSE(prefs.exists());
    runEventsFor(250);
    EXPECT_FALSE(Form1->isLoaded()) << "a timer of the unloaded clock fired";
    EXPECT_TRUE(rt::Forms().empty());
}

// SIGTERM, SIGINT and SIGHUP are close requests, taken by whatever event
// loop runs, the colour dialog's included: that dialog closes, and the clock
// goes down through Form_QueryUnload instead of the process dying.
TEST(ClockShutDown, CloseSignalsUnloadTheClockEvenFromTheColourDialog) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        CountedClockForm clock;
        clock.load();
        rt::CloseSignals closing;
        QTimer::singleShot(0, [signal] { std::raise(signal); });
        QTimer::singleShot(3000, [] {
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        QElapsedTimer waited;
        waited.start();
        prefs->PickHourHandColor();
        EXPECT_LT(waited.elapsed(), 1000) << "the dialog stayed open";
        EXPECT_EQ(clock.queryUnloads, 1);
        EXPECT_FALSE(clock.isLoaded());
        rt::resetFormInstances();
    }
}

// The window manager's close button asks the window; the clock goes down
// through Form_QueryUnload and the menu form goes with it.
TEST(ClockShutDown, CloseRequestOnTheWindowUnloadsTheClockAndTheMenuForm) {
    FakeClock clock(kHalfPastThree);
    Module1::Main();
    prefs->hWnd();
    ASSERT_EQ(rt::Forms().size(), 2u);

    Form1->window()->close();
    EXPECT_FALSE(Form1->isLoaded());
    EXPECT_FALSE(prefs->isLoaded());
    EXPECT_TRUE(rt::Forms().empty());
    EXPECT_EQ(rt::liveRegionCount(), 0);
}

}  // namespace
