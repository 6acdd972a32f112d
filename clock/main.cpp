#include "Module1.h"

int main(int argc, char** argv) {
    return rt::run(argc, argv, {.name = "Clock", .messagePrefix = "clock:", .Main = Module1::Main});
}
