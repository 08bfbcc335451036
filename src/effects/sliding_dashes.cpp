#include "effects/sliding_dashes.h"

void draw_sliding_dashes(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

