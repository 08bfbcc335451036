#include "effects/petal_rings.h"

void draw_petal_rings(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

