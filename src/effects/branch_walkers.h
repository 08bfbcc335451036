// Walker glyphs that branch across the screen while the music raises walker_spawn.
#pragma once
#include "draw/vec.h"

void draw_branch_walkers(double t, int order);
void draw_walker_glyph(const Walker& walker);
