#include "core/maker_loop.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/base/clock.h"
#include "core/base/trigger_record.h"
#include "core/display_lead.h"
#include "core/frame_image.h"
#include "core/frame_loop.h"
#include "core/maker_frame.h"
#include "core/maker_keys.h"
#include "core/maker_overlay.h"
#include "core/maker_text.h"
#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "core/music/music_maker.h"
#include "core/schedule.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// What the loop keeps between frames besides the keys' state.
struct MakerLoop {
    int layer_mask;
    double paused_total;  // seconds spent paused, taken off the frame time
    double paused_at;     // now_seconds when the held frame was drawn
    bool holding;         // a picture is held
    HeldPicture held;
    float frame_ms[kGraphFrames];
    int frames;  // recorded, at most kGraphFrames
    uint32_t triggers[role::count];
    double flashed_at[role::count];
    uint8_t rows[kMaxScheduledLayers];  // the rows of the frame shown last
    size_t row_count;
    int order, row;  // the position the frame shown last read
    float t;         // and its frame time
};

void record_frame_ms(MakerLoop* l, float ms)
{
    if (l->frames == kGraphFrames) {
        std::memmove(l->frame_ms, l->frame_ms + 1, (kGraphFrames - 1) * sizeof(float));
        --l->frames;
    }
    l->frame_ms[l->frames++] = ms;
}

void poll_keys(MakerState* s, const MakerLoop& l)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) s->quit = true;
        if (event.type == SDL_KEYDOWN)
            maker_key(s, event.key.keysym.sym, event.key.keysym.mod, l.order, l.rows, l.row_count);
    }
}

// Hands the keys' requests to the music layer, once each.
void steer_music(MakerState* s, FMUSIC_MODULE* module)
{
    if (s->jump_to >= 0) {
        if (music_maker_jump(module, s->jump_to)) s->heading_to = s->jump_to;
        s->jump_to = -1;
    }
    if (s->loop_changed) {
        music_maker_loop_order(module, s->looped_order);
        s->loop_changed = false;
    }
    if (s->pause_changed) {
        music_maker_set_paused(module, s->paused);
        s->pause_changed = false;
    }
}

OverlayInfo overlay_info(const MakerState& s, const MakerLoop& l, FMUSIC_MODULE* module, double now)
{
    OverlayInfo info;
    info.order = l.order;
    info.row = l.row;
    info.seconds = music_maker_heard_seconds(module);
    info.paused = s.paused;
    info.looped_order = s.looped_order;
    info.frame_ms = l.frame_ms;
    info.frame_count = l.frames;
    info.rows = l.rows;
    info.row_count = l.row_count;
    info.hidden = maker_hidden_rows(s);
    info.solo_row = s.solo_row;
    for (int r = 0; r < role::count; ++r) info.role_light[r] = role_light_level(now - l.flashed_at[r]);
    return info;
}

void follow_triggers(MakerLoop* l, double now)
{
    for (int r = 0; r < role::count; ++r) {
        const uint32_t n = trigger_record_count(r);
        if (n != l->triggers[r]) l->flashed_at[r] = now;
        l->triggers[r] = n;
    }
}

void save_picture(int order, int row)
{
    const std::string name = picture_name(order, row);
    if (write_png(name, read_viewport())) std::fprintf(stderr, "Saved %s\n", name.c_str());
}

}  // namespace

bool maker_mode_requested()
{
    const char* maker = std::getenv("DRENSOLK_MAKER");
    return maker && std::strcmp(maker, "1") == 0;
}

void run_maker_loop(FMUSIC_MODULE* module, int start_order, const MakerHooks& hooks)
{
    MakerState s;
    s.start_order = start_order;
    s.order_count = music_maker_order_count(module);
    static MakerLoop l{};  // large: kept off the stack
    l = MakerLoop{};
    for (int r = 0; r < role::count; ++r) {
        l.flashed_at[r] = -1e9;
        l.triggers[r] = trigger_record_count(r);
    }
    music_maker_loop_order(module, -1);  // any maker call: rows carry their song position from now on
    trigger_record_enable(true);
    maker_text_open();
    DisplayLead lead{};
    const Clock::time_point origin = Clock::now();
    while (!s.quit) {
        const Clock::time_point start = Clock::now();
        poll_keys(&s, l);
        steer_music(&s, module);
        const Clock::time_point read = Clock::now();
        const int order = FMUSIC_GetOrder(module);
        const int row = FMUSIC_GetRow(module);
        if (order == s.heading_to) s.heading_to = -1;
        const double now = now_seconds();
        const bool held = s.paused && l.holding;
        if (held) {
            show_held_picture(l.held);
        } else {
            if (l.holding) {  // resumed: the animation goes on from the held frame
                l.paused_total += now - l.paused_at;
                l.holding = false;
            }
            l.order = order;
            l.row = row;
            l.t = static_cast<float>(now - l.paused_total);
            draw_frame_hiding(order, l.t, l.layer_mask, maker_hidden_rows(s));
            l.row_count = scheduled_layers(order, l.layer_mask, l.rows);
            step_layer_mask(l.layer_mask);
            if (s.paused) {  // this frame is the one to hold
                l.held = hold_picture();
                l.holding = true;
                l.paused_at = now;
            }
        }
        if (s.paused) {  // the music's position is shown even though the picture holds
            l.order = order;
            l.row = row;
        }
        follow_triggers(&l, now);
        if (s.overlay) draw_maker_overlay(overlay_info(s, l, module, now));
        if (s.save) {
            save_picture(order, row);
            s.save = false;
        }
        if (hooks.before_swap)
            hooks.before_swap(MakerFrame{order, row, l.t, s.paused, held, s.looped_order, s.solo_row,
                                         maker_hidden_rows(s)});
        SDL_GL_SwapBuffers();
        const Clock::time_point swapped = Clock::now();
        if (!s.paused) {  // paused frames wait on purpose: no measure of the display
            display_lead_add(&lead, ms_between(origin, read), ms_between(origin, swapped));
            music_live_set_display_lead(display_lead_ms(lead));
        }
        if (!held) record_frame_ms(&l, static_cast<float>(ms_between(start, swapped)));  // the demo's frames only
        if (s.paused) SDL_Delay(10);  // nothing moves: no need to spin
    }
    trigger_record_enable(false);
}
