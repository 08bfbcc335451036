// Ten black rectangles moving left to right and wrapping.
#pragma once

void draw_sliding_dashes(double t);
