// A hundred thin vertical red lines sliding with time.
#pragma once

void draw_red_bars(double t);
