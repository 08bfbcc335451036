// The storyboard: the music's order alone picks which layers a frame draws,
// and the random layer mask adds optional ones from order 4 on. One table,
// one row per layer in drawing order: adding a layer is a new file in
// src/effects and one row in kSchedule (core/schedule.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

#include "draw/view.h"

// One row: a layer and the order rule under which a frame draws it. A layer
// that the mask brings back later in the frame has a second row.
struct ScheduleRow {
    bool (*on)(int order, int mask);    // true: a frame at this order and layer mask draws it
    const char* name;                   // for people, e.g. "petal rings"
    const char* code;                   // two letters for the bench's tables, e.g. "PR"
    void (*draw)(double t, int order);  // the layer, with the frame time and the order
};

// The storyboard in drawing order.
extern const ScheduleRow kSchedule[];
extern const size_t kScheduleRows;

// Room for every row; rows are numbered below this in a uint32_t bit set.
constexpr size_t kMaxScheduledLayers = 32;

// Rows (indices into kSchedule) that a frame at (order, mask) draws, in
// drawing order; returns how many were written to out.
size_t scheduled_layers(int order, int layer_mask, uint8_t out[kMaxScheduledLayers]);

// The row of that name, or -1.
int schedule_row(const char* name);

// One whole frame's drawing: clear, projection, every scheduled layer.
// A function of its inputs (and the layers' own stores), so the live loop,
// the capture driver and tests all draw the same frame.
void draw_frame(int order, float t, int layer_mask);

// About one frame in a hundred adds 0..15 to the mask (two random draws then,
// one otherwise). Called after the layers, before the swap.
void step_layer_mask(int& layer_mask);
