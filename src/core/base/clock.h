#pragma once
// Seconds since SDL started: SDL_GetTicks() / 1000.0.
double now_seconds();
