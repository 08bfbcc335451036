#include "capture/capture_music.h"

#include <algorithm>
#include <cstdio>

#include "core/frame_loop.h"
#include "core/music/fmod_api.h"
#include "core/sync_state.h"

namespace {
constexpr int kEventCapacity = 4 * MCORE_MAX_EVENTS_PER_TICK;
}  // namespace

int capture_music_open(CaptureMusic* m, const std::vector<uint8_t>& bytes, int rate, int start_order)
{
    m->pcm.clear();
    m->ahead.clear();
    m->rendered = m->heard = m->taken = 0;
    m->order = 0;
    m->row = 0;
    m->end_reached = false;
    const int code = mcore_open(&m->core, bytes.data(), bytes.size(), rate);
    if (code != FMOD_ERR_NONE) return code;
    if (start_order >= 0) mcore_set_order(&m->core, start_order);  // refused orders change nothing
    return FMOD_ERR_NONE;
}

void capture_music_close(CaptureMusic* m)
{
    mcore_close(&m->core);
    m->pcm.clear();
    m->ahead.clear();
}

namespace {

// One more block: its audio and events are kept until frames reach them.
void render_block(CaptureMusic* m)
{
    mcore_event events[kEventCapacity];
    const size_t at = m->pcm.size();
    m->pcm.resize(at + 2 * CAPTURE_BLOCK_FRAMES);
    size_t done = 0;
    while (done < CAPTURE_BLOCK_FRAMES) {
        int count = 0;
        const size_t n = mcore_render(&m->core, m->pcm.data() + at + 2 * done, CAPTURE_BLOCK_FRAMES - done, events,
                                      kEventCapacity, &count);
        m->ahead.insert(m->ahead.end(), events, events + count);
        if (n == 0) break;  // a closed core: the rest stays silent
        done += n;
    }
    m->rendered += CAPTURE_BLOCK_FRAMES;
}

void hand_on(CaptureMusic* m, const mcore_event& e)
{
    if (e.kind == MCORE_ROW) {
        m->order = e.order;
        m->row = e.row;
        if (is_end_position(e.order, e.row)) m->end_reached = true;
    } else if (e.kind == MCORE_TRIGGER && e.instrument < CAPTURE_HOOKED_INSTRUMENTS) {
        sync_apply_instrument(e.instrument, e.row);
    }
}

}  // namespace

void capture_music_render_to(CaptureMusic* m, uint64_t end)
{
    if (end <= m->heard) return;
    while (m->rendered < end) render_block(m);
    size_t used = 0;
    while (used < m->ahead.size() && m->ahead[used].frame < end) hand_on(m, m->ahead[used++]);
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
