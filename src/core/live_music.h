// The live music's start-up, as the demo does it and in its order: the
// library version check, FSOUND_Init with kMixRate (the output then plays at
// the device's own rate), the module kModuleFile from the working folder,
// playback, `hook` on instruments 0 to kHookedInstruments - 1, then the start
// order if there is one.
#pragma once
#include <optional>

#include "core/music/fmod_api.h"

// The oldest music-layer version start-up accepts.
constexpr float kRequiredSoundVersion = 3.75f;

// Returns the playing module. On a failure prints the library's one line to
// the standard output and exits with status 1.
FMUSIC_MODULE* start_live_music(FMUSIC_CALLBACK hook, std::optional<int> start_order);
