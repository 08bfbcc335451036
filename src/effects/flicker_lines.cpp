#include "effects/flicker_lines.h"

void draw_flicker_lines(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

