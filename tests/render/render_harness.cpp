#include "render/render_harness.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/display.h"
#include "core/base/textures.h"
#include "draw/gl.h"
#include "draw/view.h"

namespace {
int opened_width = 0, opened_height = 0;
}

bool render_open(int width, int height)
{
    if (opened_width == width && opened_height == height) return true;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    if (!open_gl_display(width, height, false)) return false;
    opened_width = width;
    opened_height = height;
    return true;
}

void render_load_textures()
{
    const std::filesystem::path data = DRENSOLK_DATA_DIR;
    upload_pictures(data.c_str());
}

void render_start_frame()
{
    glClearColor(0, 0, 0, 0);
    clear_frame();
    set_projection();
    glDisable(GL_BLEND);
}

RgbImage render_read() { return read_frame(opened_width, opened_height); }

std::vector<uint8_t> render_read_rgba()
{
    std::vector<uint8_t> pixels(static_cast<size_t>(opened_width) * opened_height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, opened_width, opened_height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int count_differing_rgba(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size()) return static_cast<int>(std::max(a.size(), b.size()) / 4);
    int differing = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        differing += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2] || a[i + 3] != b[i + 3];
    return differing;
}

std::string render_save_png(const RgbImage& image, const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::path(DRENSOLK_BINARY_DIR) / "render-out";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / (name + ".png")).string();
    write_png(path, image);
    return path;
}

int count_lit(const RgbImage& image, int x0, int y0, int x1, int y1, int threshold)
{
    int lit = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = image.at(x, y);
            lit += p[0] + p[1] + p[2] > threshold;
        }
    return lit;
}
