// A hundred thin vertical red lines sliding with time.
#pragma once

// One GL_LINES batch of 100 vertical bars centred on y = 0.5; stateless,
// changes only the current colour.
void draw_red_bars(double t);
