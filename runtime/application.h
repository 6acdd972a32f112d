// The program's start: the display it can have, the application, Main, and
// the event loop that runs until no form is left.
#pragma once

namespace rt {

// Starts the program: makes the application, calls Main, then runs events
// until no form is loaded. Returns the process's exit status. With no
// display it prints one line and returns non-zero.
int run(int argc, char** argv, void (*Main)());

}  // namespace rt
