#include "capture/capture_music.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/frame_loop.h"
#include "core/music/fmod_api.h"
#include "core/sound_errors.h"
#include "core/base/sync_state.h"

int capture_music_open(CaptureMusic* m, const std::vector<uint8_t>& bytes, int rate, int start_order)
{
    m->pcm.clear();
    m->ahead.clear();
    m->rendered = m->heard = m->taken = 0;
    m->order = 0;
    m->row = 0;
    m->end_reached = false;
    m->events = nullptr;
    const int code = player_core_open(&m->core, bytes.data(), bytes.size(), rate);
    if (code != FMOD_ERR_NONE) return code;
    if (start_order >= 0) player_core_set_order(&m->core, start_order);  // refused orders change nothing
    return FMOD_ERR_NONE;
}

std::vector<uint8_t> capture_music_load(CaptureMusic* m, int start_order)
{
    std::vector<uint8_t> bytes;
    int code = read_module_file(kModuleFile, &bytes);
    if (code == 0) code = capture_music_open(m, bytes, kMixRate, start_order);
    if (code != 0) {
        std::printf("%s\n", sound_error_text(code));
        std::exit(1);
    }
    return bytes;
}

void capture_music_close(CaptureMusic* m)
{
    player_core_close(&m->core);
    m->pcm.clear();
    m->ahead.clear();
}

namespace {

// One more block: its audio and events are kept until video frames reach them.
void render_block(CaptureMusic* m)
{
    const size_t at = m->pcm.size();
    m->pcm.resize(at + 2 * kCaptureBlockSamples);
    player_core_render_block(&m->core, m->pcm.data() + at, kCaptureBlockSamples,
                             [m](const MusicEvent& e, size_t) { m->ahead.push_back(e); });
    m->rendered += kCaptureBlockSamples;
}

void hand_on(CaptureMusic* m, const MusicEvent& e)
{
    if (m->events) event_map_add(m->events, e);
    if (e.kind == MusicEventKind::Row) {
        m->order = e.order;
        m->row = e.row;
        if (is_end_position(e.order, e.row)) m->end_reached = true;
    } else if (e.kind == MusicEventKind::Trigger && e.instrument < kHookedInstruments) {
        sync_apply_instrument(e.instrument, e.row);
    }
}

}  // namespace

void capture_music_render_to(CaptureMusic* m, uint64_t end)
{
    if (end <= m->heard) return;
    while (m->rendered < end) render_block(m);
    size_t used = 0;
    while (used < m->ahead.size() && m->ahead[used].sample < end) hand_on(m, m->ahead[used++]);
    m->ahead.erase(m->ahead.begin(), m->ahead.begin() + static_cast<std::ptrdiff_t>(used));
    m->heard = end;
}

void capture_music_frame(CaptureMusic* m, FrameClock clock, int64_t music_frame, int64_t frame)
{
    const int64_t sample = frame_sample(clock, frame) - frame_sample(clock, music_frame);
    if (sample >= 0) capture_music_render_to(m, static_cast<uint64_t>(sample) + 1);
}

std::vector<int16_t> capture_music_take(CaptureMusic* m)
{
    const auto n = static_cast<std::ptrdiff_t>(2 * (m->heard - m->taken));
    std::vector<int16_t> out(m->pcm.begin(), m->pcm.begin() + n);
    m->pcm.erase(m->pcm.begin(), m->pcm.begin() + n);
    m->taken = m->heard;
    return out;
}
