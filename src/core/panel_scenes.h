// Picture-panel scenes: the strip with the swelling cow (orders 4 to 6), the
// scrolling grid of cows (order 7), and the fixed strips stamped from order 7 on.
#pragma once

void panel_scene(double t);
void grid_scene(double t);
// White, then the 0.4 x 0.1 strip of TextureTable[texture_index] at (cx, cy).
void fixed_panel(int texture_index, float cx, float cy);
