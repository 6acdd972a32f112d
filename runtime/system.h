// Time of day and random numbers of the forms runtime. Both are seams: tests
// install their own clock and set the generator, so nothing waits for the
// real time.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

// The local time of day, in milliseconds since midnight.
class SystemClock {
public:
    virtual ~SystemClock() = default;
    virtual std::int32_t msecsSinceMidnight() const = 0;
};

// The clock in use; the real local time unless a test installed another.
// Passing nullptr restores the real one. The caller keeps ownership.
void setSystemClock(const SystemClock* clock);
const SystemClock& systemClock();

// Seconds since midnight, single precision.
float rtcGetTimer();

// A time of day as the runtime's date variant holds it.
struct TimeOfDay {
    std::int32_t msecs = 0;
};
TimeOfDay rtcGetTimeVar();
// The time in the locale's long time format, without a time zone.
std::string rtcStrFromVar(TimeOfDay t);

// The generator: a 24-bit linear congruential sequence, so every value is a
// multiple of 2^-24 in [0, 1) and exactly representable as a single.
void rtcRandomize(float seed);
float rtcRandomNext();
std::uint32_t randomState();
void setRandomState(std::uint32_t state);

}  // namespace rt
