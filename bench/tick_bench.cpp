// Cost of the clock's redraw at the three window sizes the menu offers: the
// real tick (Timer1_Timer), and its stages, each made through the call the
// tick makes and met in the state the tick leaves it. The time of day starts
// at the same moment in every run and steps 100 ms a tick, so every run
// composes the same pictures and each tick moves the second hand, as on the
// screen. Qt paints the face later, in its event loop, which runs here only
// outside the timed parts: bench/whole_program.sh counts that. On a busy machine, interleave the
// sizes' repetitions and read the medians:
//   tick_bench --benchmark_repetitions=41 --benchmark_enable_random_interleaving=true
//              --benchmark_report_aggregates_only=true
#include "Form1.h"
#include "Module1.h"
#include "gdi.h"
#include "system.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

class SteppingClock : public rt::SystemClock {
public:
    std::int32_t msecsSinceMidnight() const override { return msecs; }
    std::int32_t msecs = 0;
};
SteppingClock clock100;

void tick(Form1Form& f) {
    clock100.msecs += 100;
    f.Timer1_Timer();
}

// The clock shown and sized to a client area of `pixels` square, at 10:08:37.
Form1Form& clockAt(int pixels) {
    clock100.msecs = ((10 * 60 + 8) * 60 + 37) * 1000;
    if (!Form1.exists() || !Form1->isLoaded()) {
        rt::setSystemClock(&clock100);
        Module1::SetStartValues();
        Form1->Show();
    }
    Form1->setWidth(pixels * rt::twipsPerPixelX());
    Form1->setHeight(pixels * rt::twipsPerPixelY());
    tick(Form1.get());
    tick(Form1.get());
    QCoreApplication::processEvents();
    return Form1.get();
}

template <typename Stage>
double microseconds(Stage stage) {
    const auto start = std::chrono::steady_clock::now();
    stage();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

// The benchmark's time is the tick's. Its counters are the stages of the
// tick that would follow, each timed alone right after it: none of them reads
// what that tick's six DrawArm calls would draw, so those are left out, and
// "hands" is the rest of the tick: those six calls and the few around them.
// The CPU column counts the whole iteration.
void BM_Tick(benchmark::State& state) {
    Form1Form& f = clockAt(int(state.range(0)));
    const std::int32_t w = rt::CLng(f.ScaleWidth()), h = rt::CLng(f.ScaleHeight());
    const std::int32_t artW = rt::CLng(f.Picture8.ScaleWidth()), artH = rt::CLng(f.Picture8.ScaleHeight());
    double ticks = 0, stretch = 0, restore = 0, copy = 0;
    for (auto _ : state) {
        const double t = microseconds([&] { tick(f); });
        state.SetIterationTime(t / 1e6);
        ticks += t;
        // The artwork with the hands just drawn, halftoned onto the form.
        stretch += microseconds([&] {
            rt::SetStretchBltMode(f.hDC(), rt::HALFTONE);
            rt::StretchBlt(f.hDC(), 0, 0, w, h, f.Picture8.hDC(), 0, 0, artW, artH, rt::SRCCOPY);
        });
        // Picture8.Cls: the artwork back under those hands.
        restore += microseconds([&] { f.DrawTiks(); });
        // The form, changed by the stretch, onto the face.
        copy += microseconds([&] {
            rt::BitBlt(f.Picture2.hDC(), 0, 0, w, h, f.hDC(), 0, 0, rt::SRCCOPY);
            f.Picture2.Refresh();
        });
        // The composition was left without hands, and the form without the
        // halftone of any: two ticks bring back what a tick meets. Then Qt
        // paints, as it does between two ticks.
        tick(f);
        tick(f);
        QCoreApplication::processEvents();
    }
    const auto perTick = [](double us) { return benchmark::Counter(us, benchmark::Counter::kAvgIterations); };
    state.counters["stretch_us"] = perTick(stretch);
    state.counters["restore_us"] = perTick(restore);
    state.counters["hands_us"] = perTick(ticks - stretch - restore - copy);
    state.counters["copy_us"] = perTick(copy);
}

// The angle of the second hand sets much of the cost: 200 timed ticks, 300 ms
// apart, sample one whole turn of it evenly.
BENCHMARK(BM_Tick)->Arg(200)->Arg(133)->Arg(333)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform cannot shape a window and says so at each size.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.contains("window masks")) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rt::resetFormInstances();
    return 0;
}
