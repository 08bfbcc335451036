// A 5 by 8 grid of hexagon outlines switched by the beat.
#pragma once

void draw_hex_grid(double t);
