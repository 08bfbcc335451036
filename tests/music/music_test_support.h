// Small modules for the music tests, and helpers that render them.
#pragma once
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "core/music/player_core.h"
#include "xm/xm_writer.h"

namespace mt {

constexpr int kRate = 32000;
constexpr int kTick = 640;       // samples per tick at 125 BPM, 32 kHz
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

// Everything the core reports while rendering `samples` samples in blocks of
// `block` samples.
struct Rendered {
    std::vector<MusicEvent> events;
    std::vector<int16_t> audio;
};

inline void render(PlayerCore* core, uint64_t samples, Rendered* run, size_t block = 512)
{
    std::vector<int16_t> pcm(2 * block);
    for (uint64_t done = 0; done < samples;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(block, samples - done));
        player_core_render_block(core, pcm.data(), want,
                                 [run](const MusicEvent& e, size_t) { run->events.push_back(e); });
        run->audio.insert(run->audio.end(), pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(2 * want));
        done += want;
    }
}

inline std::vector<MusicEvent> only(const std::vector<MusicEvent>& events, MusicEventKind kind)
{
    std::vector<MusicEvent> out;
    for (const MusicEvent& e : events)
        if (e.kind == kind) out.push_back(e);
    return out;
}

// Polls until pred() or about five seconds (a starved machine plays late);
// the result of the last poll.
template <class Pred>
bool wait_for(Pred pred)
{
    for (int i = 0; i < 5000; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pred();
}

}  // namespace mt
