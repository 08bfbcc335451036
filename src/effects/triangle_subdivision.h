// The recursive red triangle tree of orders 8 to 11, with sliding cow panels.
#pragma once
#include "draw/vec.h"

void triangle_layer(double t);
void triangle_node(Vec2 a, Vec2 b, Vec2 c, int depth);
