// The clock as the end-to-end tests run it: the program's own start-up, with
// any timer made faster by CLOCK_TIMER_INTERVAL_<timer name>=<ms> in the
// environment, so that a test hears the minute's chime within seconds.
#include "Module1.h"
#include "forms.h"

#include <cstdlib>
#include <string>
#include <string_view>

extern char** environ;

int main(int argc, char** argv) {
    constexpr std::string_view prefix = "CLOCK_TIMER_INTERVAL_";
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable = *entry;
        const auto equals = variable.find('=');
        if (!variable.starts_with(prefix) || equals == std::string_view::npos) continue;
        const std::string timer(variable.substr(prefix.size(), equals - prefix.size()));
        rt::setTimerInterval(timer, std::atoi(*entry + equals + 1));
    }
    return rt::run(argc, argv, {.name = "Clock", .messagePrefix = "clock:", .Main = Module1::Main});
}
