// Cost of one redraw of the clock and of each of its stages, at the three
// window sizes the menu offers. The time of day is held still so that every
// run composes the same picture.
#include "Form1.h"
#include "Module1.h"
#include "system.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

class StillClock : public rt::SystemClock {
public:
    std::int32_t msecsSinceMidnight() const override { return ((10 * 60 + 8) * 60 + 37) * 1000 + 450; }
};
const StillClock stillClock;

// The clock shown and sized to a client area of `pixels` square.
Form1Form& clockAt(int pixels) {
    if (!Form1.exists() || !Form1->isLoaded()) {
        rt::setSystemClock(&stillClock);
        Module1::SetStartValues();
        Form1->Show();
    }
    Form1->setWidth(pixels * rt::twipsPerPixelX());
    Form1->setHeight(pixels * rt::twipsPerPixelY());
    return Form1.get();
}

void BM_Tick(benchmark::State& state) {
    Form1Form& f = clockAt(int(state.range(0)));
    for (auto _ : state) f.Timer1_Timer();
}

// The six DrawArm calls of a tick, as the tick makes them.
void drawHands(Form1Form& f) {
    using namespace Module1;
    const float t = rt::rtcGetTimer();
    const float hours = rt::CSng(double(t) / 60 / 60), minutes = rt::CSng(double(t) / 60);
    struct Arm {
        float angle;
        std::int16_t size, thickness;
        rt::Colour* color;
        double offset;
    };
    const Arm arms[6] = {
        {hours * 30, 24, 2, &ShadowColor, 0.5},    {minutes * 6, 32, 2, &ShadowColor, 0.6},
        {t * 6, 36, 1, &ShadowColor, 0.7},         {hours * 30, 24, 2, &HourHandColor, 0},
        {minutes * 6, 32, 2, &MinuteHandColor, 0}, {t * 6, 36, 1, &SecondHandColor, 0},
    };
    for (const Arm& a : arms) {
        rt::Variant angle = a.angle, size = a.size, thickness = a.thickness, color = a.color, offset = a.offset;
        f.DrawArm(angle, size, thickness, color, offset);
    }
}

// Restoring the artwork under what one tick drew.
void BM_Restore(benchmark::State& state) {
    Form1Form& f = clockAt(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        drawHands(f);
        state.ResumeTiming();
        f.DrawTiks();
    }
}

void BM_SixHands(benchmark::State& state) {
    Form1Form& f = clockAt(int(state.range(0)));
    f.DrawTiks();
    for (auto _ : state) drawHands(f);
}

void BM_HalftoneStretch(benchmark::State& state) {
    Form1Form& f = clockAt(int(state.range(0)));
    rt::SetStretchBltMode(f.hDC(), rt::HALFTONE);
    const int w = int(f.ScaleWidth()), h = int(f.ScaleHeight());
    for (auto _ : state) rt::StretchBlt(f.hDC(), 0, 0, w, h, f.Picture8.hDC(), 0, 0, 700, 700, rt::SRCCOPY);
}

void BM_CopyToFace(benchmark::State& state) {
    Form1Form& f = clockAt(int(state.range(0)));
    const int w = int(f.ScaleWidth()), h = int(f.ScaleHeight());
    for (auto _ : state) {
        rt::BitBlt(f.Picture2.hDC(), 0, 0, w, h, f.hDC(), 0, 0, rt::SRCCOPY);
        f.Picture2.Refresh();
    }
}

#define SIZES Arg(200)->Arg(133)->Arg(333)->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Tick)->SIZES;
BENCHMARK(BM_Restore)->SIZES;
BENCHMARK(BM_SixHands)->SIZES;
BENCHMARK(BM_HalftoneStretch)->SIZES;
BENCHMARK(BM_CopyToFace)->SIZES;

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rt::resetFormInstances();
    return 0;
}
