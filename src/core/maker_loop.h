// The demo maker's loop (DRENSOLK_MAKER=1): the demo's frames, steered by keys
// instead of ended by any key (core/maker_keys.h), with the overlay over them.
// It never ends at the demo's end position: the song runs on and wraps round
// until Escape or the window system's quit event (closing the window).
#pragma once
#include <cstdint>
#include <functional>

struct FMUSIC_MODULE;

// One frame of the maker loop as drawn, for tests: the position it read, the
// frame time its layers got (the held frame's while paused) and the keys' state.
struct MakerFrame {
    int order = 0, row = 0;
    float t = 0;
    bool paused = false;
    bool held = false;  // the held picture was shown instead of drawing
    int looped_order = -1;
    int solo_row = -1;
    uint32_t hidden = 0;
};
struct MakerHooks {
    // After the frame's drawing and the overlay, before the swap; may push events.
    std::function<void(const MakerFrame&)> before_swap;
};

// True when the environment asks for maker mode: DRENSOLK_MAKER is "1".
bool maker_mode_requested();

// Runs until Escape or a quit event. The layers get the frame time less the
// time spent paused, so a pause leaves no jump in the animation; without a
// pause every frame is drawn as the demo draws it, with the same random draws.
// The music module must be playing; Home goes back to `start_order`.
void run_maker_loop(FMUSIC_MODULE* module, int start_order, const MakerHooks& hooks = {});
