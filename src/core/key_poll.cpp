#include "core/key_poll.h"

#include <SDL/SDL.h>

bool poll_key_press()
{
    bool key = false;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (event.type == SDL_KEYDOWN) key = true;
    return key;
}
