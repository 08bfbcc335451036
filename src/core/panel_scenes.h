// Picture-panel scenes: the strip with the swelling cow (orders 4 to 6), the
// scrolling grid of cows (order 7), and the fixed strips stamped from order 7 on.
#pragma once
#include <cstdint>

// Process-wide state of the two scenes; never reset while the demo runs.
extern float panel_x;              // centre x of the strip and cow, 0.25..0.75; starts 0.5
extern float panel_y;              // centre y of the strip; always 0.7
extern int32_t panel_count;        // repositions so far; strip picture is (count mod 3) + 3
extern double panel_last_time;     // panel scene's decay store; starts -1.0
extern float grid_last_time;       // grid scene's decay store; starts -1.0
extern uint8_t grid_stipple[128];  // the grid's copy of the diagonal hatching

// Strip at (panel_x, panel_y), cow above it swelling with beat_level, ring
// burst beside it; consumes a reposition request; decays ring_level and beat_level.
void panel_scene(double t);
// 5 x 5 scrolling grid of red cows with a beat-driven gap diagonal, one hatched
// cell on some beats and ring bursts; consumes a reposition request without
// moving. May leave additive blending (GL_ONE, GL_ONE) on when it returns.
void grid_scene(double t);
// White, then the 0.4 x 0.1 strip of TextureTable[texture_index] at (cx, cy).
// Leaves blending as it finds it.
void fixed_panel(int texture_index, float cx, float cy);

// Tests only: every value above back to its start.
void panel_scenes_reset_for_test();
