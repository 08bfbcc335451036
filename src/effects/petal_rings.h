// Three stippled gradient discs of the opening orders, brightened by the pluck.
#pragma once

void draw_petal_rings(double t);
