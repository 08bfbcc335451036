#include "core/schedule.h"

#include "core/panel_scenes.h"
#include "core/base/random.h"
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

size_t scheduled_layers(int o, int mask, Layer out[kMaxScheduledLayers])
{
    size_t n = 0;
    auto add = [&](bool on, Layer layer) {
        if (on) out[n++] = layer;
    };
    add(o <= 3, Layer::PetalRings);
    add(o <= 3, Layer::PulsingSquares);
    add(o <= 3, Layer::FlickerLines);
    add(o >= 4 && (mask & 1) && o < 12 && o != 7, Layer::RedBars);
    add(o >= 4 && (mask & 2), Layer::SlidingDashes);
    add(o >= 4 && (mask & 4), Layer::PulsingSquares);
    add(o >= 4 && o < 7, Layer::HexGrid);
    add(o >= 4, Layer::BranchWalkers);
    add(o >= 12 && o < 16, Layer::ArcRings);
    add(o >= 4 && o < 7, Layer::PanelScene);
    add(o == 7, Layer::GridScene);
    add(o == 7, Layer::FixedPanelGrid);
    add(o >= 8 && o < 12, Layer::TriangleLayer);
    add(o >= 8 && o < 12, Layer::FixedPanelTriangle);
    add(o >= 16, Layer::QuadLayer);
    add(o >= 4 && (mask & 8), Layer::FlickerLines);
    add(o >= 12, Layer::FixedPanelLate);
    return n;
}

const char* layer_name(Layer layer)
{
    switch (layer) {
        case Layer::PetalRings:
            return "petal rings";
        case Layer::PulsingSquares:
            return "pulsing squares";
        case Layer::FlickerLines:
            return "flicker lines";
        case Layer::RedBars:
            return "red bars";
        case Layer::SlidingDashes:
            return "sliding dashes";
        case Layer::HexGrid:
            return "hex grid";
        case Layer::BranchWalkers:
            return "branch walkers";
        case Layer::ArcRings:
            return "arc rings";
        case Layer::PanelScene:
            return "panel scene";
        case Layer::GridScene:
            return "grid scene";
        case Layer::FixedPanelGrid:
            return "fixed panel (grid)";
        case Layer::TriangleLayer:
            return "triangle subdivision";
        case Layer::FixedPanelTriangle:
            return "fixed panel (triangles)";
        case Layer::QuadLayer:
            return "quad subdivision";
        case Layer::FixedPanelLate:
            return "fixed panel (late)";
    }
    return "?";
}

void draw_layer(Layer layer, double t, int order)
{
    switch (layer) {
        case Layer::PetalRings:
            draw_petal_rings(t);
            break;
        case Layer::PulsingSquares:
            draw_pulsing_squares(t);
            break;
        case Layer::FlickerLines:
            draw_flicker_lines(t);
            break;
        case Layer::RedBars:
            draw_red_bars(t);
            break;
        case Layer::SlidingDashes:
            draw_sliding_dashes(t);
            break;
        case Layer::HexGrid:
            draw_hex_grid(t);
            break;
        case Layer::BranchWalkers:
            draw_branch_walkers(t, order);
            break;
        case Layer::ArcRings:
            draw_arc_rings(t, order);
            break;
        case Layer::PanelScene:
            panel_scene(t);
            break;
        case Layer::GridScene:
            grid_scene(t);
            break;
        case Layer::FixedPanelGrid:
            fixed_panel(0, 0.3f, 0.5f);
            break;
        case Layer::TriangleLayer:
            triangle_layer(t);
            break;
        case Layer::FixedPanelTriangle:
            fixed_panel(5, 0.3f, 0.5f);
            break;
        case Layer::QuadLayer:
            quad_layer(t);
            break;
        case Layer::FixedPanelLate:
            fixed_panel(1, 0.5f, 0.7f);
            break;
    }
}

void draw_frame(int order, float t, int layer_mask)
{
    clear_frame();
    set_projection();
    Layer layers[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, layer_mask, layers);
    for (size_t i = 0; i < n; ++i) draw_layer(layers[i], static_cast<double>(t), order);
}

void step_layer_mask(int& layer_mask)
{
    if (demo_rand() % 100 == 5) layer_mask += demo_rand() & 15;
}
