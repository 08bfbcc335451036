#include "datagen/png_out.h"

#include <png.h>

#include <stdexcept>

namespace datagen {
namespace {

void append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void no_flush(png_structp) {}

// libpng reports errors by longjmp back to the setjmp below.
void on_warning(png_structp, png_const_charp) {}

}  // namespace

std::vector<uint8_t> encode_png(const Rgb8Image& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3)
        throw std::invalid_argument("encode_png: picture size and pixel data disagree");
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, on_warning);
    if (!png) throw std::runtime_error("libpng: cannot create write struct");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng: cannot create info struct");
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng: cannot encode the picture");
    }
    {
        png_set_write_fn(png, &out, append, no_flush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y) {
            auto* row = const_cast<png_bytep>(image.rgb.data() + static_cast<size_t>(y) * image.width * 3);
            png_write_row(png, row);
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace datagen
