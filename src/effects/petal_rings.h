// Three stippled gradient discs of the opening orders, brightened by the pluck.
#pragma once

// Time of the last call; the first call decays the levels by the whole t.
extern double petal_last_time;

// Takes exactly 128 random values per call (the stipple noise), draws three
// additive discs and leaves stippling and blending off.
void draw_petal_rings(double t);

// Tests only: the last-time store back to its start value.
void petal_rings_reset_for_test();
