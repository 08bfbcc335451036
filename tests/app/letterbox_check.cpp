#include "app/letterbox_check.h"

#include <png.h>

#include <cstdlib>

bool read_png(const std::string& path, ScreenShot* image)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->rgb.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr) != 0;
}

Box strip_interior()
{
    const double scale = kPictureWidth;  // pixels per view unit
    const double left = kPictureLeft + (0.5 - 0.2) * scale, right = kPictureLeft + (0.5 + 0.2) * scale;
    const double top = (0.7 - 0.05 - 0.125) * scale, bottom = (0.7 + 0.05 - 0.125) * scale;
    return {static_cast<int>(left) + 2, static_cast<int>(top) + 2, static_cast<int>(right) - 2,
            static_cast<int>(bottom) - 2};
}

double mean_difference(const ScreenShot& a, const ScreenShot& b, const Box& box)
{
    double sum = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(int(a.at(x, y)[c]) - int(b.at(x, y)[c]));
    return sum / (3.0 * (box.right - box.left) * (box.bottom - box.top));
}

int bar_reach(const ScreenShot& s)
{
    int reach = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const int distance = x < kPictureLeft ? kPictureLeft - x : x - (kPictureLeft + kPictureWidth) + 1;
            if (distance <= reach) continue;
            const uint8_t* p = s.at(x, y);
            if (p[0] | p[1] | p[2]) reach = distance;
        }
    return reach;
}
