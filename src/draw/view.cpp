#include "draw/view.h"

#include "draw/gl.h"

void set_projection()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0.875, 0.125, 0.1, 1000);
    glTranslatef(0, 0, -70);
}
