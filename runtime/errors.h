// Run-time errors that escape an event procedure: the runtime's rule ends
// the program with one line naming the error and the procedure.
#pragma once

#include "vb.h"

#include <functional>
#include <string>

namespace rt {

// Runs an event procedure. A run-time error escaping it ends the program with
// the runtime's message and a non-zero status.
void raiseEvent(const char* procedure, const std::function<void()>& body);

// What raiseEvent does with an escaped error; tests replace it to observe.
// Passing nullptr restores the runtime's own rule.
using FatalErrorHandler = std::function<void(const RuntimeError&, const char* procedure)>;
void setFatalErrorHandler(FatalErrorHandler handler);

// Runtime side: lines the runtime writes to standard error begin with the
// prefix run() was given.
void setMessagePrefix(std::string prefix);
// Writes one such line.
void printMessage(const std::string& message);

}  // namespace rt
