// Stand-ins for the services a test must control, and readable printing of
// Qt values in failure messages.
#pragma once

#include "forms.h"
#include "sound.h"
#include "system.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// A clock that stands still until the test moves it.
class FakeClock : public rt::SystemClock {
public:
    explicit FakeClock(std::int32_t msecs = 0) : msecs_(msecs) { rt::setSystemClock(this); }
    ~FakeClock() override { rt::setSystemClock(nullptr); }
    std::int32_t msecsSinceMidnight() const override { return msecs_; }
    void set(int h, int m, int s, int ms = 0) { msecs_ = ((h * 60 + m) * 60 + s) * 1000 + ms; }
    void setMsecs(std::int32_t msecs) { msecs_ = msecs; }

private:
    std::int32_t msecs_;
};

// Records every sound asked for instead of playing it.
class FakeSound : public rt::SoundOutput {
public:
    FakeSound() { rt::setSoundOutput(this); }
    ~FakeSound() override { rt::setSoundOutput(nullptr); }
    bool play(const std::string& name, std::uint32_t flags) override {
        calls.push_back({name, flags});
        return result;
    }
    struct Call {
        std::string name;
        std::uint32_t flags;
    };
    std::vector<Call> calls;
    bool result = true;
};

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << '(' << p.x() << ", " << p.y() << ')'; }
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << "rgb(" << c.red() << ", " << c.green() << ", " << c.blue() << ')';
}
