// For tests of forms: a bare form that counts its query-unload events and
// lets a test decide what they do, and a way to let queued events run.
#pragma once

#include "forms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRect>
#include <QThread>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.width() << 'x' << r.height() << '+' << r.x() << '+' << r.y();
}

// Runs queued and timer events until done() holds or ms have passed;
// returns done().
template <typename Done>
bool runEventsUntil(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

inline void runEventsFor(int ms) {
    runEventsUntil([] { return false; }, ms);
}

class ProbeForm : public rt::Form {
public:
    explicit ProbeForm(std::string name = "Probe", int tickInterval = 0)
        : rt::Form(std::move(name)), Face(*this, "Face"), Tick(*this, "Tick"), tickInterval_(tickInterval) {}

    rt::PictureBox Face;
    rt::Timer Tick;

    int queryUnloads = 0;
    std::int16_t lastUnloadMode = -1;
    std::function<void(std::int16_t& Cancel, std::int16_t UnloadMode)> onQueryUnload;

    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) override {
        ++queryUnloads;
        lastUnloadMode = UnloadMode;
        if (onQueryUnload) onQueryUnload(Cancel, UnloadMode);
    }

protected:
    void InitializeComponent() override {
        setDesignBorderless(true);
        setDesignClientArea(1500, 750, 1500, 1500);
        Face.setDesignGeometry(0, 0, 1500, 1500);
        Tick.setDesignInterval(tickInterval_);
    }

private:
    int tickInterval_;
};
