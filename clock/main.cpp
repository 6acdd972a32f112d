#include "Module1.h"

int main(int argc, char** argv) { return rt::run(argc, argv, Module1::Main); }
