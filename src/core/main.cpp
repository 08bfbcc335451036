// Process entry (SDL's entry wrapper calls it on Windows): SDL_Quit runs at
// exit for the paths that end with exit(1).
#include <SDL/SDL.h>

#include <cstdlib>

#include "core/demo_main.h"
#include "core/platform.h"

int main(int argc, char** argv)
{
    prepare_process();
    std::atexit(SDL_Quit);
    return demo_main(argc, argv);
}
