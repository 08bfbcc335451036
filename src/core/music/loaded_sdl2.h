// Reaching the SDL2 underneath sdl12-compat: the one place that knows each
// system's name for that library and how to look into a loaded one.
#pragma once

// The address of `name` in the SDL2 library already loaded into this process
// (sdl12-compat loads it when SDL starts), or null when none is loaded or it
// has no such symbol. Never loads a library. Any thread.
void* loaded_sdl2_symbol(const char* name);
