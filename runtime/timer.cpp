#include "timer.h"

#include "errors.h"

#include <QTimer>
#include <QWidget>

#include <map>

namespace rt {

namespace {

// What setTimerInterval was told, by timer name.
std::map<std::string, int> intervalOverrides;

}  // namespace

void setTimerInterval(const std::string& timerName, int ms) {
    if (ms > 0)
        intervalOverrides[timerName] = ms;
    else
        intervalOverrides.erase(timerName);
}

Timer::Timer(Form& owner, std::string name) : Control(owner, std::move(name)) {}

Timer::~Timer() = default;

void Timer::create(QWidget* parent) {
    if (interval_ <= 0) return;
    timer_ = new QTimer(parent);
    timer_->setObjectName(QString::fromStdString(name()));
    const auto overridden = intervalOverrides.find(name());
    timer_->setInterval(overridden != intervalOverrides.end() ? overridden->second : interval_);
    // Qt's default timer puts a long interval's timeout on a whole second
    // of its own clock, so a minute may come up to a second early; a precise
    // one costs a little on every tick, which counts only for short ones.
    timer_->setTimerType(interval_ >= 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    const std::string procedure = name() + "_Timer";
    QObject::connect(timer_, &QTimer::timeout, timer_, [this, procedure] {
        if (OnTimer) raiseEvent(procedure.c_str(), OnTimer);
    });
    timer_->start();
}

void Timer::destroy() {
    if (timer_) timer_->stop();
    timer_ = nullptr;  // its parent window deletes it
}

}  // namespace rt
