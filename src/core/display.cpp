#include "core/display.h"

#include <SDL/SDL.h>

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
    return SDL_SetVideoMode(width, height, 0, SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0));
}
