// Small modules for the music tests, and helpers that render them.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/music/player_core.h"
#include "xm/xm_writer.h"

namespace mt {

constexpr int kRate = 32000;
constexpr int kTick = 640;       // frames per tick at 125 BPM, 32 kHz
constexpr int kRow = 3 * kTick;  // speed 3

// `patterns` empty patterns of `rows` rows, speed 3, 125 BPM, `instruments`
// instruments that each hold a short looped sine.
inline xm::Module module(int channels, int rows, int patterns, int instruments = 8)
{
    xm::Module m;
    m.name = "test";
    m.channels = channels;
    m.speed = 3;
    m.bpm = 125;
    xm::Sample s;
    s.data.resize(64);
    for (int i = 0; i < 64; ++i) s.data[static_cast<size_t>(i)] = int16_t(12000 * std::sin(i * 0.0982));
    s.loop = xm::LoopType::forward;
    s.loop_length = 64;
    for (int i = 0; i < instruments; ++i) {
        xm::Instrument ins;
        ins.name = "sine";
        ins.samples.push_back(s);
        m.instruments.push_back(ins);
    }
    for (int p = 0; p < patterns; ++p) m.patterns.push_back(xm::make_pattern(rows, channels));
    m.orders.assign(1, 0);
    return m;
}

inline xm::Cell hit(int instrument_1based, uint8_t effect = 0, uint8_t param = 0)
{
    return xm::Cell{xm::note(4, 0), static_cast<uint8_t>(instrument_1based), 0, effect, param};
}
inline xm::Cell fx(uint8_t effect, uint8_t param) { return xm::Cell{0, 0, 0, effect, param}; }

// Everything the core reports while rendering `frames` frames in blocks of
// `block` frames.
struct Rendered {
    std::vector<mcore_event> events;
    std::vector<int16_t> audio;
};

inline void render(mcore_t* core, uint64_t frames, Rendered* run, size_t block = 512)
{
    std::vector<int16_t> pcm(2 * block);
    std::vector<mcore_event> ev(4 * MCORE_MAX_EVENTS_PER_TICK);
    uint64_t done = 0;
    while (done < frames) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(block, frames - done));
        int count = 0;
        const size_t n = mcore_render(core, pcm.data(), want, ev.data(), static_cast<int>(ev.size()), &count);
        run->events.insert(run->events.end(), ev.begin(), ev.begin() + count);
        run->audio.insert(run->audio.end(), pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(2 * n));
        done += n;
    }
}

inline std::vector<mcore_event> only(const std::vector<mcore_event>& events, mcore_event_kind kind)
{
    std::vector<mcore_event> out;
    for (const mcore_event& e : events)
        if (e.kind == kind) out.push_back(e);
    return out;
}

}  // namespace mt
