// The frame script on the OpenGL 1.1 path (Mesa through SDL's offscreen
// display), each frame appended to the file named by the one argument as
// bottom-up RGBA. gles2_tests runs it and compares.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gles2/frame_script.h"
#include "render/render_harness.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FRAMES_FILE\n", argv[0]);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!render_open(kScriptWidth, kScriptHeight)) {
        std::fprintf(stderr, "no offscreen OpenGL display\n");
        return 1;
    }
    render_load_textures();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    run_frame_script([&](const std::string&) {
        const std::vector<uint8_t> rgba = render_read_rgba();
        std::fwrite(rgba.data(), 1, rgba.size(), out);
    });
    return std::fclose(out) == 0 ? 0 : 1;
}
