// drensolk-datagen FOLDER: writes the demo's module and pictures into FOLDER.
#include <cstdio>
#include <exception>

#include "datagen/datagen.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    try {
        return datagen::write_all(argv[1]) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "drensolk-datagen: %s\n", e.what());
        return 1;
    }
}
