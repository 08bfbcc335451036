#include "core/base/clock.h"

#include <SDL/SDL.h>

double now_seconds() { return static_cast<double>(SDL_GetTicks()) / 1000.0; }
