#include "core/schedule.h"

#include <cstring>

#include "core/base/random.h"
#include "core/panel_scenes.h"
#include "draw/gl.h"
#include "effects/arc_rings.h"
#include "effects/branch_walkers.h"
#include "effects/flicker_lines.h"
#include "effects/hex_grid.h"
#include "effects/petal_rings.h"
#include "effects/pulsing_squares.h"
#include "effects/quad_subdivision.h"
#include "effects/red_bars.h"
#include "effects/sliding_dashes.h"
#include "effects/triangle_subdivision.h"

// Rules as captureless lambdas, so each row reads as when, what, how.
// o: the order; m: the layer mask (only its low four bits matter).
const ScheduleRow kSchedule[] = {
    {[](int o, int) { return o <= 3; }, "petal rings", "PR", [](double t, int) { draw_petal_rings(t); }},
    {[](int o, int) { return o <= 3; }, "pulsing squares", "PS", [](double t, int) { draw_pulsing_squares(t); }},
    {[](int o, int) { return o <= 3; }, "flicker lines", "FL", [](double t, int) { draw_flicker_lines(t); }},
    {[](int o, int m) { return o >= 4 && (m & 1) && o < 12 && o != 7; }, "red bars", "RB",
     [](double t, int) { draw_red_bars(t); }},
    {[](int o, int m) { return o >= 4 && (m & 2); }, "sliding dashes", "SD",
     [](double t, int) { draw_sliding_dashes(t); }},
    {[](int o, int m) { return o >= 4 && (m & 4); }, "pulsing squares", "PS",
     [](double t, int) { draw_pulsing_squares(t); }},
    {[](int o, int) { return o >= 4 && o < 7; }, "hex grid", "HX", [](double t, int) { draw_hex_grid(t); }},
    {[](int o, int) { return o >= 4; }, "branch walkers", "BW", draw_branch_walkers},
    {[](int o, int) { return o >= 12 && o < 16; }, "arc rings", "AR", draw_arc_rings},
    {[](int o, int) { return o >= 4 && o < 7; }, "panel scene", "PN", [](double t, int) { panel_scene(t); }},
    {[](int o, int) { return o == 7; }, "grid scene", "GS", [](double t, int) { grid_scene(t); }},
    {[](int o, int) { return o == 7; }, "fixed panel (grid)", "FP", [](double, int) { fixed_panel(0, 0.3f, 0.5f); }},
    {[](int o, int) { return o >= 8 && o < 12; }, "triangle subdivision", "TR",
     [](double t, int) { triangle_layer(t); }},
    {[](int o, int) { return o >= 8 && o < 12; }, "fixed panel (triangles)", "FP",
     [](double, int) { fixed_panel(5, 0.3f, 0.5f); }},
    {[](int o, int) { return o >= 16; }, "quad subdivision", "QD", [](double t, int) { quad_layer(t); }},
    {[](int o, int m) { return o >= 4 && (m & 8); }, "flicker lines", "FL",
     [](double t, int) { draw_flicker_lines(t); }},
    {[](int o, int) { return o >= 12; }, "fixed panel (late)", "FP", [](double, int) { fixed_panel(1, 0.5f, 0.7f); }},
};
const size_t kScheduleRows = sizeof kSchedule / sizeof kSchedule[0];
static_assert(sizeof kSchedule / sizeof kSchedule[0] <= kMaxScheduledLayers, "rows are numbered in 32 bits");

size_t scheduled_layers(int order, int layer_mask, uint8_t out[kMaxScheduledLayers])
{
    size_t n = 0;
    for (size_t row = 0; row < kScheduleRows; ++row)
        if (kSchedule[row].on(order, layer_mask)) out[n++] = static_cast<uint8_t>(row);
    return n;
}

int schedule_row(const char* name)
{
    for (size_t row = 0; row < kScheduleRows; ++row)
        if (std::strcmp(kSchedule[row].name, name) == 0) return static_cast<int>(row);
    return -1;
}

void draw_frame(int order, float t, int layer_mask)
{
    clear_frame();
    set_projection();
    uint8_t rows[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, layer_mask, rows);
    for (size_t i = 0; i < n; ++i) kSchedule[rows[i]].draw(static_cast<double>(t), order);
}

void step_layer_mask(int& layer_mask)
{
    if (demo_rand() % 100 == 5) layer_mask += demo_rand() & 15;
}
