#include "effects/hex_grid.h"

void draw_hex_grid(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

