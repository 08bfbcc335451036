// Seven concentric rings of arc bands turning around a random centre.
#pragma once

void draw_arc_rings(double t, int order);
