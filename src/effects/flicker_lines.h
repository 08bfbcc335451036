// A row of white crosses on the centre line while the flicker level is high.
#pragma once

void draw_flicker_lines(double t);
