// The timer control.
#pragma once

#include "form.h"

#include <functional>
#include <string>

class QTimer;
class QWidget;

namespace rt {

// Test seam: timers of this name that start from now on tick every ms
// milliseconds instead of at their design interval, which Interval() still
// reports; ms <= 0 removes the override. The program itself never calls it.
void setTimerInterval(const std::string& timerName, int ms);

// An interval timer; ticks from the form's load until its unload.
class Timer : public Control {
public:
    Timer(Form& owner, std::string name);
    ~Timer() override;
    void setDesignInterval(int ms) { interval_ = ms; }
    int Interval() const { return interval_; }
    std::function<void()> OnTimer;

    void create(QWidget* parent) override;
    void destroy() override;

private:
    int interval_ = 0;
    QTimer* timer_ = nullptr;
};

}  // namespace rt
