// The signals by which a desktop, a terminal or a service manager asks a
// program to end, turned into close requests. Internal to the runtime.
#pragma once

#include <memory>

class QSocketNotifier;

namespace rt {

// While one lives, SIGTERM, SIGINT and SIGHUP each unload every loaded form
// (each form's Form_QueryUnload says whether it goes), the next time the
// event loop runs, a modal one included. The handler only writes a byte to
// a pipe; the work is done by the loop that reads it. Ending it restores
// what the signals did before.
class CloseSignals {
public:
    CloseSignals();
    ~CloseSignals();
    CloseSignals(const CloseSignals&) = delete;
    CloseSignals& operator=(const CloseSignals&) = delete;

    // Keeps the signals waiting until a CloseSignals is made. Called before
    // the application starts its threads, so that none of them takes one
    // (and so that one sent during start-up is not lost).
    static void hold();

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace rt
