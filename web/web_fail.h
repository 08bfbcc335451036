// Ends the program after a start-up failure: what it printed (the desktop's
// message) goes up on the page, and the runtime stops.
#pragma once
#include <emscripten.h>

#include <cstdio>

[[noreturn]] inline void web_fail()
{
    std::fflush(stdout);
    std::fflush(stderr);
    EM_ASM(Module.webFailed(););
    emscripten_force_exit(1);
    __builtin_unreachable();
}
