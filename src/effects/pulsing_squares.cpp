#include "effects/pulsing_squares.h"

void draw_pulsing_squares(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

