#include "effects/red_bars.h"

void draw_red_bars(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

