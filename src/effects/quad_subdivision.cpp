#include "effects/quad_subdivision.h"

void quad_layer(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

void quad_node(Vec2 a, Vec2 b, int depth)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

