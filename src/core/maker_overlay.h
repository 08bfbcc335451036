// The maker's overlay: where the music is, how long frames take, which layers
// this frame drew, and a light per instrument role that flashes on its
// trigger. Drawn last in a frame, over the picture, in a 640 x 480 pixel
// space mapped onto the viewport.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/base/demo_data.h"

constexpr int kGraphFrames = 180;  // three seconds at 60 frames a second

struct OverlayInfo {
    int order = 0, row = 0;
    double seconds = 0;  // the song position of the heard row
    bool paused = false;
    int looped_order = -1;  // -1: not looping
    // Frame times in milliseconds, oldest first.
    const float* frame_ms = nullptr;
    int frame_count = 0;
    // This frame's schedule rows in drawing order, and those drawn without pixels.
    const uint8_t* rows = nullptr;
    size_t row_count = 0;
    uint32_t hidden = 0;  // bit per schedule row
    int solo_row = -1;
    float role_light[role::count] = {};  // 0 dark .. 1 just triggered
};

// Draws the overlay and leaves OpenGL's state exactly as it found it
// (capabilities, blending, colour, texture binding, matrices and matrix mode,
// line width, pixel store). Text needs maker_text_open(); without a font
// the graph and the lights are still drawn.
void draw_maker_overlay(const OverlayInfo& info);

// A light's brightness `age` seconds after its trigger: full at once, dark
// after a quarter of a second.
float role_light_level(double age);
