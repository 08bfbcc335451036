#include "effects/triangle_subdivision.h"

void triangle_layer(double t)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

void triangle_node(Vec2 a, Vec2 b, Vec2 c, int depth)
{
    // Drawing comes with the layer's own work; the schedule already calls it.
}

