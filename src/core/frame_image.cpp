#include "core/frame_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "draw/gl.h"

RgbImage read_frame(int width, int height)
{
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height * 3);
    std::vector<uint8_t> bottom_up(image.pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    // OpenGL's rows run bottom-up; pictures and videos run top-down.
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) std::memcpy(&image.pixels[row * y], &bottom_up[row * (height - 1 - y)], row);
    return image;
}

bool write_png(const std::string& path, const RgbImage& image)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "%s: could not encode the PNG\n", path.c_str());
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t row = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y) png_write_row(png, const_cast<png_bytep>(&image.pixels[row * y]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
