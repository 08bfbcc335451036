#include "capture/capture_music.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/frame_loop.h"
#include "core/music/fmod_api.h"
#include "core/sync_state.h"

namespace {
constexpr size_t kBlockFrames = 4096;
constexpr int kEventCapacity = 4 * MCORE_MAX_EVENTS_PER_TICK;
}  // namespace

int read_module_file(const char* path, std::vector<uint8_t>* bytes)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return errno == ENOENT || errno == ENOTDIR ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD;
    struct stat st {};
    int code = FMOD_ERR_NONE;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        code = FMOD_ERR_FILE_BAD;
    } else if (static_cast<unsigned long long>(st.st_size) > MCORE_MAX_FILE_BYTES) {
        code = FMOD_ERR_MEMORY;
    } else {
        bytes->resize(static_cast<size_t>(st.st_size));
        if (std::fread(bytes->data(), 1, bytes->size(), f) != bytes->size()) code = FMOD_ERR_FILE_BAD;
    }
    std::fclose(f);
    return code;
}

int capture_music_open(CaptureMusic* m, const std::vector<uint8_t>& bytes, int rate, int start_order)
{
    m->pcm.clear();
    m->rendered = 0;
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
}

void capture_music_render_to(CaptureMusic* m, uint64_t end)
{
    mcore_event events[kEventCapacity];
    while (m->rendered < end) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlockFrames, end - m->rendered));
        const size_t at = m->pcm.size();
        m->pcm.resize(at + 2 * want);
        int count = 0;
        const size_t n = mcore_render(&m->core, m->pcm.data() + at, want, events, kEventCapacity, &count);
        m->pcm.resize(at + 2 * n);
        m->rendered += n;
        for (int i = 0; i < count; ++i) {
            const mcore_event& e = events[i];
            if (e.kind == MCORE_ROW) {
                m->order = e.order;
                m->row = e.row;
                if (is_end_position(e.order, e.row)) m->end_reached = true;
            } else if (e.kind == MCORE_TRIGGER && e.instrument < CAPTURE_HOOKED_INSTRUMENTS) {
                sync_apply_instrument(e.instrument, e.row);
            }
        }
    }
}

std::vector<int16_t> capture_music_take(CaptureMusic* m)
{
    std::vector<int16_t> out;
    out.swap(m->pcm);
    return out;
}
