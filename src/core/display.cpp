#include "core/display.h"

#include <SDL/SDL.h>

#include "draw/gl.h"
#include "draw/view.h"

DisplaySizes display_sizes(int width, int height, bool fullscreen, int desktop_width, int desktop_height)
{
    DisplaySizes sizes;
    // Full screen takes the desktop's size, so the window is created that
    // large whether or not a window manager is there to enlarge it.
    // (0 x 0 would mean the same in SDL 1.2, but the compatibility layer
    // then creates a 1 x 1 window.)
    if (fullscreen && desktop_width > 0 && desktop_height > 0 && (desktop_width != width || desktop_height != height))
        sizes.size[sizes.count++] = {desktop_width, desktop_height};
    // The asked size last: a display that refuses its desktop's size as a
    // mode may still switch to this one.
    sizes.size[sizes.count++] = {width, height};
    return sizes;
}

SDL_Surface* open_gl_display(int width, int height, bool fullscreen)
{
    // Classic SDL 1.2 (the Windows build) crashes setting GL attributes when
    // its video failed to start; SDL_Init's own error stays for the message.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Destination alpha, cleared to 0 each frame, is what lets the hex grid's
    // saturating blend add its lines; without it the grid adds nothing.
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    // Nothing draws with the stencil. It is asked for so that the packed
    // depth-stencil buffer most drivers (and sdl12-compat's own framebuffer)
    // give is cleared whole each frame (clear_frame); where a driver has no
    // stencil the display is opened without it, below.
    const Uint32 flags = fullscreen ? SDL_OPENGL | SDL_FULLSCREEN : SDL_OPENGL;
    const SDL_VideoInfo* desktop = fullscreen ? SDL_GetVideoInfo() : nullptr;
    const DisplaySizes sizes =
        display_sizes(width, height, fullscreen, desktop ? desktop->current_w : 0, desktop ? desktop->current_h : 0);
    SDL_Surface* screen = nullptr;
    for (int i = 0; i < sizes.count && !screen; ++i) {
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        screen = SDL_SetVideoMode(sizes.size[i].width, sizes.size[i].height, 0, flags);
        if (!screen) {
            SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
            screen = SDL_SetVideoMode(sizes.size[i].width, sizes.size[i].height, 0, flags);
        }
    }
    if (!screen) return nullptr;
    const ViewRect view = letterbox(screen->w, screen->h);
    if (view.width != screen->w || view.height != screen->h) {
        // Black bars in both buffers, before the scissor keeps every later
        // clear inside the view.
        for (int buffer = 0; buffer < 2; ++buffer) {
            glClear(GL_COLOR_BUFFER_BIT);
            SDL_GL_SwapBuffers();
        }
    }
    set_viewport(screen->w, screen->h);
    return screen;
}
