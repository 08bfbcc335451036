// A row of white crosses on the centre line while the flicker level is high.
#pragma once

// Time of the last call; starts at -1.0.
extern double flicker_last_time;
// Half length of each cross's arms, re-rolled about one frame in a hundred.
extern float flicker_cross_size;
// Bit i (0..10) shows the cross at x = i / 10; re-rolled about one frame in a hundred.
extern int flicker_mask;

// Above a level of 0.5 takes 2 to 4 random values and draws the crosses in white;
// otherwise draws nothing and takes none. Decays `flicker_level` either way.
void draw_flicker_lines(double t);

// Tests only: the three stores back to their start values.
void flicker_lines_reset_for_test();
