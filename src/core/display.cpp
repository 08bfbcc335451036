#include "core/display.h"

#include <SDL/SDL.h>

#include "draw/gl.h"
#include "draw/view.h"

SDL_Surface* open_gl_display(int width, int height, bool fullscreen)
{
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
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    // Full screen takes the desktop's size, so the window is created that
    // large whether or not a window manager is there to enlarge it.
    // (0 x 0 would mean the same in SDL 1.2, but the compatibility layer
    // then creates a 1 x 1 window.)
    Uint32 flags = SDL_OPENGL;
    if (fullscreen) {
        flags |= SDL_FULLSCREEN;
        const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
        if (desktop && desktop->current_w > 0 && desktop->current_h > 0) {
            width = desktop->current_w;
            height = desktop->current_h;
        }
    }
    SDL_Surface* screen = SDL_SetVideoMode(width, height, 0, flags);
    if (!screen) {
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
        screen = SDL_SetVideoMode(width, height, 0, flags);
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
