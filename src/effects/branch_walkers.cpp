#include "effects/branch_walkers.h"

void draw_branch_walkers(double t, int order)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

void draw_walker_glyph(const Walker& walker)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

