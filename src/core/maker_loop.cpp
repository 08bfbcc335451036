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
#include "core/driver_loop.h"
#include "core/frame_image.h"
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
    double paused_total;  // seconds spent paused, taken off the frame time
    double clock_read;    // now_seconds as the last drawn frame read it
    bool holding;         // a picture is held
    HeldPicture held;
    float frame_ms[kGraphFrames];
    int frames;  // recorded, at most kGraphFrames
    uint32_t triggers[role::count];
    double flashed_at[role::count];
    uint8_t rows[kMaxScheduledLayers];  // the rows of the frame drawn last
    size_t row_count;
    int order, row;                 // the position the frame shown last read
    float t;                        // the frame time of the frame drawn last
    Clock::time_point start, read;  // this frame's start and its music read
    DisplayLead lead;
    Clock::time_point origin;
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

// The frame's start: keys, the music steered by them, the position read.
void read_music(MakerState* s, MakerLoop* l, FMUSIC_MODULE* module)
{
    l->start = Clock::now();
    poll_keys(s, *l);
    steer_music(s, module);
    l->read = Clock::now();
    l->order = FMUSIC_GetOrder(module);
    l->row = FMUSIC_GetRow(module);
    if (l->order == s->heading_to) s->heading_to = -1;
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

// After the picture: the overlay, the saved picture, the swap and the timing.
void present(MakerState* s, MakerLoop* l, FMUSIC_MODULE* module, bool held, const MakerHooks& hooks)
{
    const double now = now_seconds();
    follow_triggers(l, now);
    if (s->overlay) draw_maker_overlay(overlay_info(*s, *l, module, now));
    if (s->save) {
        const std::string name = picture_name(l->order, l->row);
        if (write_png(name, read_viewport())) std::fprintf(stderr, "Saved %s\n", name.c_str());
        s->save = false;
    }
    if (hooks.before_swap)
        hooks.before_swap(
            MakerFrame{l->order, l->row, l->t, s->paused, held, s->looped_order, s->solo_row, maker_hidden_rows(*s)});
    SDL_GL_SwapBuffers();
    const Clock::time_point swapped = Clock::now();
    if (held) {
        SDL_Delay(10);  // nothing moves: no need to spin, nor to time these frames
        return;
    }
    display_lead_add(&l->lead, ms_between(l->origin, l->read), ms_between(l->origin, swapped));
    music_live_set_display_lead(display_lead_ms(l->lead));
    record_frame_ms(l, static_cast<float>(ms_between(l->start, swapped)));
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
    l.origin = Clock::now();
    for (int r = 0; r < role::count; ++r) {
        l.flashed_at[r] = -1e9;
        l.triggers[r] = trigger_record_count(r);
    }
    music_maker_loop_order(module, -1);  // any maker call: rows carry their song position from now on
    trigger_record_enable(true);
    maker_text_open();

    // The demo's own frames, through the one driver loop: the layers draw as
    // in the demo, the hidden ones without pixels; the frame that took the
    // pause key is drawn and then held.
    FrameDriver maker;
    maker.music = [&] {
        read_music(&s, &l, module);
        return MusicPosition{l.order, l.row};
    };
    maker.clock = [&] {
        l.clock_read = now_seconds();
        return static_cast<float>(l.clock_read - l.paused_total);
    };
    maker.draw = [&](const FrameInputs& in) {
        l.t = in.t;
        draw_frame_hiding(in.order, in.t, in.layer_mask, maker_hidden_rows(s));
        l.row_count = scheduled_layers(in.order, in.layer_mask, l.rows);
    };
    maker.present = [&](const FrameInputs&) {
        if (s.paused) {
            l.held = hold_picture();
            l.holding = true;
        }
        present(&s, &l, module, false, hooks);
    };
    DriverState driver{};
    while (!s.quit) {
        if (l.holding) {
            // Paused: the held picture, no layers and no layer-mask step, so
            // the animation and the random draws go on from it on resuming.
            read_music(&s, &l, module);
            if (s.paused && !s.quit) {
                show_held_picture(l.held);
                present(&s, &l, module, true, hooks);
                continue;
            }
            l.paused_total += now_seconds() - l.clock_read;
            l.holding = false;
            if (s.quit) break;
        }
        driver_frame(&driver, maker);
    }
    trigger_record_enable(false);
}
