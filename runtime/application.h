// The program's start: the display it can have, the application, Main, and
// the event loop that runs until no form is left.
#pragma once

namespace rt {

// What the runtime is told of the program it starts.
struct Program {
    const char* name;           // the application's name, as desktops show it
    const char* messagePrefix;  // begins each line the runtime writes to standard error
    void (*Main)();
};

// Starts the program: makes the application, calls Main, then runs events
// until no form is loaded. Returns the process's exit status. With no
// display it prints one line and returns non-zero.
int run(int argc, char** argv, const Program& program);

}  // namespace rt
