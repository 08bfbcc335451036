// The maker's pictures: a frame with some layers drawn without pixels, the
// picture held while the music is paused, and the shown picture saved.
// Main thread, with the display's OpenGL context current.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/frame_image.h"

// draw_frame with the schedule rows in `hidden` (bit per row) still run but
// drawing no pixels: colour and depth writes are off around each of them and
// back on after. Every layer runs in its order with its random draws and its
// stores, so the others show what the demo would show, minus the hidden ones.
// With `hidden` 0 it is draw_frame.
void draw_frame_hiding(int order, float t, int layer_mask, uint32_t hidden);

// The picture in the viewport, as drawn so far (colour with alpha), to be
// shown again unchanged while the music is paused.
struct HeldPicture {
    int x = 0, y = 0, width = 0, height = 0;  // the viewport it came from
    std::vector<uint8_t> rgba;                // bottom-up, as OpenGL keeps it
};
HeldPicture hold_picture();
// Puts it back into the viewport, leaving OpenGL's state as it was.
void show_held_picture(const HeldPicture& held);

// For drawing over a finished frame: saves every attribute, both matrices
// and the matrix mode, and leaves both matrices identity with the model-view
// one current. Returns what maker_gl_end needs to put it all back.
int maker_gl_begin();
void maker_gl_end(int matrix_mode);

// The viewport's picture as drawn so far, top row first.
RgbImage read_viewport();
// "drensolk-order07-row12.png": the name the S key saves the picture under.
std::string picture_name(int order, int row);
