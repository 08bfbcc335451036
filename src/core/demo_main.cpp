#include "core/demo_main.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "core/display.h"
#include "core/frame_loop.h"
#include "core/music/fmod_api.h"
#include "core/sound_errors.h"
#include "core/sync_state.h"
#include "core/textures.h"
#include "effects/intro_spinner.h"

namespace {

// Full screen unless the viewer asked for a window.
bool fullscreen()
{
    const char* windowed = std::getenv("DRENSOLK_WINDOWED");
    return !(windowed && *windowed && *windowed != '0');
}

[[noreturn]] void fail_sound()
{
    std::printf("%s\n", sound_error_text(FSOUND_GetError()));
    std::exit(1);
}

}  // namespace

std::optional<int> start_order_from_args(int argc, char** argv)
{
    if (argc != 2) return std::nullopt;
    const long value = std::strtol(argv[1], nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

int demo_main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_VIDEO);
    if (!open_gl_display(640, 480, fullscreen())) {
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
        SDL_Quit();
        return 0;
    }
    SDL_ShowCursor(SDL_DISABLE);

    play_intro();

    for (int i = 0; i < TEXTURE_COUNT; ++i) TextureTable[i] = upload_png_texture(texture_files[i]);

    if (FSOUND_GetVersion() < REQUIRED_SOUND_VERSION) {
        std::printf("Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                    REQUIRED_SOUND_VERSION);
        std::exit(1);
    }
    if (!FSOUND_Init(32000, 64, 0)) fail_sound();
    FMUSIC_MODULE* music_module = FMUSIC_LoadSong("qx_demo_drensolk.xm");
    if (!music_module) fail_sound();
    FMUSIC_PlaySong(music_module);
    for (int n = 0; n < 30; ++n) FMUSIC_SetInstCallback(music_module, sync_on_instrument, n);
    if (const auto order = start_order_from_args(argc, argv)) FMUSIC_SetOrder(music_module, *order);

    run_frame_loop(music_module);
    SDL_Quit();
    return 0;
}
