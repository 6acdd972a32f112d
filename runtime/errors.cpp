#include "errors.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace rt {

namespace {

// What a test put in place of the runtime's own rule; empty for none.
FatalErrorHandler fatalHandler;

void endProgram(const RuntimeError& e, const char* procedure) {
    std::fprintf(stderr, "clock: run-time error %d: %s (%s, in %s)\n", e.number(), e.what(), e.source().c_str(),
                 procedure);
    std::fflush(stderr);
    std::_Exit(1);
}

void escaped(const RuntimeError& e, const char* procedure) {
    if (fatalHandler) fatalHandler(e, procedure);
    else endProgram(e, procedure);
}

}  // namespace

void raiseEvent(const char* procedure, const std::function<void()>& body) {
    try {
        body();
    } catch (const RuntimeError& e) {
        escaped(e, procedure);
    } catch (const std::exception& e) {
        escaped(RuntimeError(51, e.what(), "runtime"), procedure);
    }
}

void setFatalErrorHandler(FatalErrorHandler handler) { fatalHandler = std::move(handler); }

}  // namespace rt
