// The storyboard: the music's order alone picks which layers a frame draws,
// and the random layer mask adds optional ones from order 4 on.
#pragma once
#include <cstddef>

#include "draw/view.h"

enum class Layer {
    PetalRings,
    PulsingSquares,
    FlickerLines,
    RedBars,
    SlidingDashes,
    HexGrid,
    BranchWalkers,
    ArcRings,
    PanelScene,
    GridScene,
    FixedPanelGrid,  // texture 0 at (0.3, 0.5), after the grid scene
    TriangleLayer,
    FixedPanelTriangle,  // texture 5 at (0.3, 0.5), after the triangles
    QuadLayer,
    FixedPanelLate,  // texture 1 at (0.5, 0.7), last from order 12 on
};

constexpr size_t kMaxScheduledLayers = 16;

// Layers of one frame in drawing order; returns how many were written to out.
size_t scheduled_layers(int order, int layer_mask, Layer out[kMaxScheduledLayers]);
const char* layer_name(Layer layer);

// Draws one layer with the frame time t (and the order where it needs it).
void draw_layer(Layer layer, double t, int order);

// One whole frame's drawing: clear, projection, every scheduled layer.
// A function of its inputs (and the layers' own stores), so the live loop,
// the capture driver and tests all draw the same frame.
void draw_frame(int order, float t, int layer_mask);

// About one frame in a hundred adds 0..15 to the mask (two random draws then,
// one otherwise). Called after the layers, before the swap.
void step_layer_mask(int& layer_mask);
