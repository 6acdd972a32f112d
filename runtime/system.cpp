#include "system.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

#include <cstring>
#include <limits>

namespace rt {

namespace {

class LocalClock : public SystemClock {
public:
    std::int32_t msecsSinceMidnight() const override {
        // Each question for the local time has the C library look at the
        // zone file again; a zone's offset from UTC changes only on a whole
        // second, so it is asked for once a second.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const qint64 second = now >= 0 ? now / 1000 : (now - 999) / 1000;
        if (second != second_) {
            second_ = second;
            offset_ = qint64(QDateTime::fromSecsSinceEpoch(second).offsetFromUtc()) * 1000;
        }
        constexpr qint64 day = 24 * 60 * 60 * 1000;
        return std::int32_t(((now + offset_) % day + day) % day);
    }

private:
    mutable qint64 second_ = std::numeric_limits<qint64>::min();
    mutable qint64 offset_ = 0;  // milliseconds
};

const LocalClock localClock;
const SystemClock* currentClock = &localClock;

constexpr std::uint32_t kMask = 0xFFFFFF;
std::uint32_t state = 0x50000;

}  // namespace

void setSystemClock(const SystemClock* clock) { currentClock = clock ? clock : &localClock; }
const SystemClock& systemClock() { return *currentClock; }

float rtcGetTimer() {
    // Whole hundredths, as the runtime's timer reports them.
    return static_cast<float>(currentClock->msecsSinceMidnight() / 10) / 100.0f;
}

TimeOfDay rtcGetTimeVar() { return TimeOfDay{currentClock->msecsSinceMidnight() / 1000 * 1000}; }

std::string rtcStrFromVar(TimeOfDay t) {
    // The long format carries seconds; drop the zone, which a bare time of
    // day does not have.
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return locale.toString(QTime::fromMSecsSinceStartOfDay(t.msecs), format.trimmed()).toStdString();
}

void rtcRandomize(float seed) {
    std::uint32_t bits;
    std::memcpy(&bits, &seed, sizeof bits);
    // Fold all 32 bits of the seed into the 24-bit state, so that seeds
    // differing only in the exponent or only in the low mantissa bits still
    // start different sequences.
    state = (bits ^ (bits >> 8) ^ (bits >> 24) ^ 0x5A5A5A) & kMask;
}

float rtcRandomNext() {
    state = (state * 1103515245u + 12345u) & kMask;
    return static_cast<float>(state) / 16777216.0f;
}

std::uint32_t randomState() { return state; }
void setRandomState(std::uint32_t s) { state = s & kMask; }

}  // namespace rt
