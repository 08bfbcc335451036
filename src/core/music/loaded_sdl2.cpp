#include "core/music/loaded_sdl2.h"

#ifdef _WIN32
#include <windows.h>

void* loaded_sdl2_symbol(const char* name)
{
    const HMODULE sdl2 = GetModuleHandleA("SDL2.dll");
    return sdl2 ? reinterpret_cast<void*>(GetProcAddress(sdl2, name)) : nullptr;
}

#else
#include <dlfcn.h>

void* loaded_sdl2_symbol(const char* name)
{
    void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (!sdl2) return nullptr;
    void* symbol = dlsym(sdl2, name);
    dlclose(sdl2);  // only drops our reference: sdl12-compat keeps the library loaded
    return symbol;
}

#endif
