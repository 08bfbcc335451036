// Seven concentric rings of arc bands turning around a random centre.
#pragma once
#include <cstdint>

#include "draw/vec.h"

extern Vec2 arc_centre;         // centre of all rings, 0.25..0.75 each way; starts (0.5, 0.5)
extern int32_t arc_last_order;  // order of the previous call; starts -1
extern double arc_last_time;    // decay store for beat_level; starts -1.0
extern uint8_t arc_stipple[128];

// Additive red bands, swelling outward with beat_level; a new centre at every
// order change. Decays beat_level (base 0.01) after drawing. Leaves blending
// and polygon stippling off, blend function (GL_ONE, GL_ONE), colour of ring 7.
void draw_arc_rings(double t, int order);

// Tests only: every value above back to its start.
void arc_rings_reset_for_test();
