// The recursive swaying quads grown on the edges of a centred square.
#pragma once
#include "draw/vec.h"

void quad_layer(double t);
void quad_node(Vec2 a, Vec2 b, int depth);
