// For tests of forms: a bare form that counts its query-unload events and
// lets a test decide what they do, a way to let queued events run, and the
// shape a window's region must have.
#pragma once

#include "forms.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRect>
#include <QRegion>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.width() << 'x' << r.height() << '+' << r.x() << '+' << r.y();
}

// The window's shape is the ellipse inscribed in w x h: it touches all four
// sides, is symmetric about both middle lines, leaves the corners out, and
// its rim passes between 93 % and 107 % of the way out along the diagonals.
inline void expectInscribedEllipse(const QRegion& mask, int w, int h) {
    SCOPED_TRACE(testing::Message() << "ellipse " << w << " x " << h);
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, w, h));

    std::vector<int> first(h, -1), last(h, -1);
    for (const QRect& r : mask)
        for (int y = r.top(); y <= r.bottom(); ++y) {
            if (first[y] < 0 || r.left() < first[y]) first[y] = r.left();
            last[y] = std::max(last[y], r.right());
        }
    for (int y = 0; y < h; ++y) {
        EXPECT_GE(first[y], 0) << "row " << y << " is empty";
        EXPECT_EQ(first[y], w - 1 - last[y]) << "row " << y << " is lopsided";
        EXPECT_EQ(first[y], first[h - 1 - y]) << "rows " << y << " and " << h - 1 - y << " differ";
    }

    for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
        EXPECT_FALSE(mask.contains(corner)) << corner.x() << ", " << corner.y();
    const double cx = w / 2.0, cy = h / 2.0;
    for (int sx : {-1, 1})
        for (int sy : {-1, 1}) {
            const auto at = [&](double f) {
                return QPoint(int(std::floor(cx + sx * f * cx * M_SQRT1_2)),
                              int(std::floor(cy + sy * f * cy * M_SQRT1_2)));
            };
            EXPECT_TRUE(mask.contains(at(0.93))) << "diagonal " << sx << ", " << sy;
            EXPECT_FALSE(mask.contains(at(1.07))) << "diagonal " << sx << ", " << sy;
        }
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
