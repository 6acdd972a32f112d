// Weeks of use, compressed: the real clock and menu forms under the offscreen
// platform with the time of day driven by hand, through two midnights, many
// size changes and many chimes. Reports resident memory along the way and
// fails if it keeps growing or a hand jumps at midnight. Run it on demand
// (built with -DCLOCK_SANITIZE=ON it also shows leaks and memory errors).
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "prefs.h"
#include "surface.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Pixels that differ between two pictures of the same size.
long changedPixels(const QImage& a, const QImage& b) {
    long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) n += pa[x] != pb[x];
    }
    return n;
}

constexpr std::int32_t kDay = 24 * 3600 * 1000;

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const double hours = argc > 1 ? std::stod(argv[1]) : 48.0;

    FakeClock clock;
    FakeSound sound;
    clock.set(22, 0, 0);
    Module1::Main();
    auto& form = Form1.get();
    const auto started = std::chrono::steady_clock::now();

    // Simulated time runs from 22:00 on the first day. Near each midnight,
    // and for the first simulated hour, the clock ticks every 100 ms as it
    // does for real; elsewhere it steps 10 s at a time.
    const std::int64_t end = std::int64_t(hours * 3600 * 1000);
    std::int64_t elapsed = 0;
    long ticks = 0, afterFirstHourKb = -1, largestMidnightJump = 0, midnights = 0;
    QImage before;
    while (elapsed < end) {
        const std::int64_t now = 22LL * 3600 * 1000 + elapsed;
        const std::int32_t msecs = std::int32_t(now % kDay);
        const bool nearMidnight = msecs > kDay - 60000 || msecs < 60000;
        clock.setMsecs(msecs);
        form.Timer1_Timer();
        ++ticks;
        if (nearMidnight) {
            const QImage& composed = form.Picture8.surface()->image();
            if (msecs < 100 && !before.isNull()) {
                // The tick across midnight moves the hands as little as any other.
                largestMidnightJump = std::max(largestMidnightJump, changedPixels(before, composed));
                ++midnights;
            }
            before = composed.copy();
        }
        if (ticks % 500 == 0) app.processEvents();
        if (afterFirstHourKb < 0 && elapsed >= 3600 * 1000) afterFirstHourKb = residentKb();
        elapsed += (nearMidnight || elapsed < 3600 * 1000) ? 100 : 10000;
    }

    // Size changes through the menu, and chimes through the minute timer.
    auto& menu = prefs.get();
    for (int i = 0; i < 10000; ++i) {
        switch (i % 3) {
        case 0: menu.ClockLarge_Click(); break;
        case 1: menu.ClockSmall_Click(); break;
        case 2: menu.ClockMedium_Click(); break;
        }
        if (i % 100 == 0) app.processEvents();
    }
    for (int i = 0; i < 1000; ++i) form.Timer2_Timer();
    app.processEvents();
    const long endKb = residentKb();

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("simulated %.1f h in %ld ticks, 10000 size changes, %zu chimes, in %.1f s\n", hours, ticks,
                sound.calls.size(), seconds);
    std::printf("resident memory: %ld kB after the first hour, %ld kB at the end (%+ld kB)\n", afterFirstHourKb,
                endKb, endKb - afterFirstHourKb);
    std::printf("midnights passed: %ld, most pixels changed by one tick across midnight: %ld\n", midnights,
                largestMidnightJump);

    bool ok = true;
    if (afterFirstHourKb > 0 && endKb - afterFirstHourKb > 1024) {
        std::printf("FAIL: resident memory grew by more than 1 MB\n");
        ok = false;
    }
    // A tick moves the second hand by 0.6 degrees and its shadow with it: a
    // few thousand pixels. A jump back to a whole turn earlier would redraw
    // hands somewhere else entirely and change many more.
    if (largestMidnightJump > 20000) {
        std::printf("FAIL: the hands jumped at midnight\n");
        ok = false;
    }
    if (sound.calls.size() != 1000) {
        std::printf("FAIL: %zu chimes instead of 1000\n", sound.calls.size());
        ok = false;
    }
    rt::resetFormInstances();
    return ok ? 0 : 1;
}
