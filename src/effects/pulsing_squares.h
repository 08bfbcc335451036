// Twenty nested square outlines whose red flashes with the pulse.
#pragma once

void draw_pulsing_squares(double t);
