// Process entry: SDL_Quit runs at exit for the paths that end with exit(1).
#include <SDL/SDL.h>

#include <cstdlib>

#include "core/demo_main.h"

int main(int argc, char** argv)
{
    // The loop ignores SDL's quit event, so let Ctrl-C and SIGTERM end the
    // process as they end any program instead of turning them into that event.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
    std::atexit(SDL_Quit);
    return demo_main(argc, argv);
}
