#include "errors.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace rt {

namespace {

// What a test put in place of the runtime's own rule; empty for none.
FatalErrorHandler fatalHandler;
std::string messagePrefix;

void endProgram(const RuntimeError& e, const char* procedure) {
    printMessage("run-time error " + std::to_string(e.number()) + ": " + e.what() + " (" + e.source() + ", in " +
                 procedure + ")");
    std::_Exit(1);
}

void escaped(const RuntimeError& e, const char* procedure) {
    if (fatalHandler)
        fatalHandler(e, procedure);
    else
        endProgram(e, procedure);
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

void setMessagePrefix(std::string prefix) { messagePrefix = std::move(prefix); }

void printMessage(const std::string& message) {
    const std::string line = (messagePrefix.empty() ? message : messagePrefix + " " + message) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace rt
