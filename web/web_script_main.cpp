// Test build only (build-web/test/): the frame script of tests/gles2 drawn
// through WebGL, each frame kept in memory as bottom-up RGBA for the page
// test to read and hold against the OpenGL 1.1 path's frames.
#include <SDL/SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/base/textures.h"
#include "core/display.h"
#include "draw/gl.h"
#include "gles2/frame_script.h"
#include "web_fail.h"

namespace {
std::vector<uint8_t> frames;
int frame_count = 0;
}  // namespace

extern "C" {
EMSCRIPTEN_KEEPALIVE const uint8_t* script_frames() { return frames.data(); }
EMSCRIPTEN_KEEPALIVE int script_frame_count() { return frame_count; }
}

int main()
{
    SDL_Init(SDL_INIT_VIDEO);
    if (!open_gl_display(kScriptWidth, kScriptHeight, false)) {
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
        return 1;
    }
    set_picture_failure_end([](int) { web_fail(); });
    upload_pictures(nullptr);
    const size_t bytes = size_t{kScriptWidth} * kScriptHeight * 4;
    run_frame_script([&](const std::string&) {
        frames.resize(frames.size() + bytes);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kScriptWidth, kScriptHeight, GL_RGBA, GL_UNSIGNED_BYTE, &frames[frames.size() - bytes]);
        ++frame_count;
    });
    EM_ASM(Module.scriptDone = true;);
    return 0;
}
