#include "core/live_music.h"

#include <cstdio>
#include <cstdlib>

#include "core/base/demo_data.h"
#include "core/sound_errors.h"

namespace {

[[noreturn]] void fail_sound()
{
    std::printf("%s\n", sound_error_text(FSOUND_GetError()));
    std::exit(1);
}

}  // namespace

FMUSIC_MODULE* start_live_music(FMUSIC_CALLBACK hook, std::optional<int> start_order)
{
    if (FSOUND_GetVersion() < kRequiredSoundVersion) {
        std::printf("Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                    kRequiredSoundVersion);
        std::exit(1);
    }
    if (!FSOUND_Init(kMixRate, 64, 0)) fail_sound();
    FMUSIC_MODULE* module = FMUSIC_LoadSong(kModuleFile);
    if (!module) fail_sound();
    FMUSIC_PlaySong(module);
    // Hooked after playback has started; the callback runs from then on.
    for (int n = 0; n < kHookedInstruments; ++n) FMUSIC_SetInstCallback(module, hook, n);
    if (start_order) FMUSIC_SetOrder(module, *start_order);
    return module;
}
