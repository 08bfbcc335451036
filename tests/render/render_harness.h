// Real OpenGL for tests: an offscreen SDL display on Mesa, the demo's pictures,
// and the frame read back as top-down RGB.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/frame_image.h"

// Opens (once per process) an offscreen OpenGL display; false if none can be had.
bool render_open(int width = 640, int height = 480);
// Uploads the seven pictures from the build's data folder into TextureTable.
void render_load_textures();
// A new frame as the demo starts one: cleared to transparent black (colour,
// depth and stencil), the demo's projection, blending off.
void render_start_frame();
// The frame just drawn.
RgbImage render_read();
// The frame just drawn with destination alpha, bottom-up RGBA as OpenGL keeps it.
std::vector<uint8_t> render_read_rgba();
// Pixels whose colour or alpha differ between two render_read_rgba() frames.
int count_differing_rgba(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
// Writes <build dir>/render-out/<name>.png and returns its path.
std::string render_save_png(const RgbImage& image, const std::string& name);

// Pixels in the rectangle [x0, x1) x [y0, y1) whose channel sum exceeds `threshold`.
int count_lit(const RgbImage& image, int x0, int y0, int x1, int y1, int threshold = 30);
