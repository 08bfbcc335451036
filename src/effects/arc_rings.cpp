#include "effects/arc_rings.h"

void draw_arc_rings(double t, int order)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

