// Real OpenGL for tests: an offscreen SDL display on Mesa, the demo's pictures,
// and the frame read back as top-down RGB.
#pragma once
#include <string>

#include "core/frame_image.h"

// Opens (once per process) an offscreen OpenGL display; false if none can be had.
bool render_open(int width = 640, int height = 480);
// Uploads the seven pictures from the build's data folder into TextureTable.
void render_load_textures();
// The frame just drawn.
RgbImage render_read();
// Writes <build dir>/render-out/<name>.png and returns its path.
std::string render_save_png(const RgbImage& image, const std::string& name);

// Pixels in the rectangle [x0, x1) x [y0, y1) whose channel sum exceeds `threshold`.
int count_lit(const RgbImage& image, int x0, int y0, int x1, int y1, int threshold = 30);
