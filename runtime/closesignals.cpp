#include "closesignals.h"

#include "errors.h"
#include "form.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace rt {

namespace {

constexpr std::array<int, 3> closeSignals = {SIGTERM, SIGINT, SIGHUP};
int wakeUp[2] = {-1, -1};
std::array<struct sigaction, 3> before{};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request.
    [[maybe_unused]] const ssize_t n = write(wakeUp[1], &byte, 1);
    errno = saved;
}

void closeEveryForm() {
    // Signals that came together are one request.
    char buffer[64];
    while (read(wakeUp[0], buffer, sizeof buffer) > 0) {}
    raiseEvent("Form_QueryUnload", [] {
        for (Form* form : Forms()) form->unload(vbAppTaskManager);
    });
}

sigset_t closeSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : closeSignals) sigaddset(&set, s);
    return set;
}

}  // namespace

void CloseSignals::hold() {
    const sigset_t set = closeSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

CloseSignals::CloseSignals() {
    if (wakeUp[0] < 0 && pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) == 0) {
        notifier_ = std::make_unique<QSocketNotifier>(wakeUp[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), closeEveryForm);
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < closeSignals.size(); ++i) sigaction(closeSignals[i], &action, &before[i]);
    }
    // Any that came while they were held are handled now.
    const sigset_t set = closeSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

CloseSignals::~CloseSignals() {
    if (!notifier_) return;
    for (std::size_t i = 0; i < closeSignals.size(); ++i) sigaction(closeSignals[i], &before[i], nullptr);
    notifier_.reset();
    close(wakeUp[0]);
    close(wakeUp[1]);
    wakeUp[0] = wakeUp[1] = -1;
}

}  // namespace rt
