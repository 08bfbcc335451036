// Twenty nested square outlines whose red flashes with the pulse.
#pragma once

// Time of the last call; starts at -1.0.
extern double squares_last_time;

// Draws one GL_LINES batch and decays `pulse`; leaves the colour at the last square's red.
void draw_pulsing_squares(double t);

// Tests only: the last-time store back to its start value.
void pulsing_squares_reset_for_test();
