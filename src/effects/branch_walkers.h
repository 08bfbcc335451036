// Walker glyphs that branch across the screen while the music raises walker_spawn.
#pragma once
#include <cstdint>
#include <vector>

#include "draw/vec.h"

// Every walker spawned since the last order change, oldest first; all are drawn.
extern std::vector<Walker> drawn_walkers;
// Walkers a new one may branch from; one walker may stand here twice.
extern std::vector<Walker> source_walkers;
extern Vec2 walker_spawn_point;    // start of a walker spawned with no sources; starts (0, 0.5)
extern float spawn_heading;        // heading of the walker being spawned; starts 0
extern int32_t walker_countdown;   // calls left until walker_spawn is lowered; starts 1
extern int32_t walker_last_order;  // order of the previous call; starts -1
extern uint8_t walker_stipple[128];

// Spawns one walker while walker_spawn is raised, draws every walker hatched,
// empties both lists after the first frame of a new order, and lowers
// walker_spawn every 20th call. Leaves stippling and blending off.
void draw_branch_walkers(double t, int order);
// One capsule glyph 0.1 long from walker.pos along its heading, white with two
// red dots, in the stipple state the caller set. Leaves blending off, colour red.
void draw_walker_glyph(const Walker& walker);
// Every glyph in order, as draw_walker_glyph one after another would, in one
// batch after the first.
void draw_walker_glyphs(const std::vector<Walker>& walkers);

// Tests only: every value above back to its start.
void branch_walkers_reset_for_test();
