// drensolk-icon COW_PNG OUT_PNG SIZE: the desktop icon, the cow picture shrunk
// to SIZE x SIZE (the cow is square).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "datagen/png_out.h"
#include "icon/icon.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s COW_PNG OUT_PNG SIZE\n", argv[0]);
        return 2;
    }
    try {
        datagen::Rgb8Image cow;
        std::string error;
        if (!icon::read_png_rgb(argv[1], &cow, &error)) {
            std::fprintf(stderr, "drensolk-icon: %s\n", error.c_str());
            return 1;
        }
        const int size = std::atoi(argv[3]);
        const std::vector<uint8_t> png = datagen::encode_png(icon::shrink(cow, size, size));
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "drensolk-icon: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "drensolk-icon: %s\n", e.what());
        return 1;
    }
}
