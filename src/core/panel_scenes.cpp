#include "core/panel_scenes.h"

void panel_scene(double t)
{
    // Drawing comes with the scene's own work; the schedule already calls it.
}

void grid_scene(double t)
{
    // Drawing comes with the scene's own work; the schedule already calls it.
}

void fixed_panel(int texture_index, float cx, float cy)
{
    // Drawing comes with the scene's own work; the schedule already calls it.
}
