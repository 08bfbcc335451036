// What libopenmpt plays, found without the player core, to hold the core's
// events against: row starts from libopenmpt's own position read after every
// single sample, note onsets from the rendered audio.
//
// The modules use one-shot instruments: instrument k (1-based) is a flat burst
// of amplitude k * kBurstStep that ends at zero (libopenmpt fades a sample that
// stops at a non-zero value out over thousands of samples), so each note is
// heard as silence turning into sound, and its loudness names the instrument.
#pragma once
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/music/player_core.h"
#include "xm/xm_writer.h"

namespace heard {

constexpr int kBurstStep = 3000;
// libopenmpt mixes a lone full-volume centred sample at this fraction of its
// amplitude whatever the channel count or mix rate (measured); an onset whose
// level is not a multiple of it names no instrument, which fails the tests.
constexpr double kMixGain = 0.1875;
// A note is heard to start at a sound after at least this many silent samples
// (its burst lasts 84 samples at 22050 Hz, 184 at 48000).
constexpr int kQuiet = 64;

// `channels` channels, one pattern of `rows` rows, `instruments` one-shot
// instruments of 40 source samples each (about 5 ms at C-4).
inline xm::Module burst_module(int channels, int rows, int speed, int bpm, int instruments = 4)
{
    xm::Module m;
    m.name = "heard";
    m.channels = channels;
    m.speed = speed;
    m.bpm = bpm;
    for (int k = 1; k <= instruments; ++k) {
        xm::Sample s;
        s.data.assign(40, 0);
        std::fill(s.data.begin(), s.data.begin() + 32, static_cast<int16_t>(k * kBurstStep));
        xm::Instrument ins;
        ins.name = "burst";
        ins.samples.push_back(s);
        m.instruments.push_back(ins);
    }
    m.patterns.push_back(xm::make_pattern(rows, channels));
    m.orders = {0};
    return m;
}

inline xm::Cell note(int instrument, uint8_t effect = 0, uint8_t param = 0)
{
    return xm::Cell{xm::note(4, 0), static_cast<uint8_t>(instrument), 0, effect, param};
}

// One row start or one onset; instrument is 0-based (-1 for a row, and for an
// onset whose loudness matches no instrument).
struct Mark {
    uint64_t sample;
    int order, row, instrument;
    bool operator==(const Mark& o) const
    {
        return sample == o.sample && order == o.order && row == o.row && instrument == o.instrument;
    }
};

struct Marks {
    std::vector<Mark> rows, notes;  // notes: onsets (reference) or triggers (core)
};

inline std::string text(const std::vector<Mark>& marks)
{
    std::string out;
    char buf[64];
    for (const Mark& m : marks) {
        if (m.instrument < 0)
            std::snprintf(buf, sizeof buf, " %d.%d@%llu", m.order, m.row, (unsigned long long)m.sample);
        else
            std::snprintf(buf, sizeof buf, " i%d@%llu", m.instrument, (unsigned long long)m.sample);
        out += buf;
    }
    return out;
}

// libopenmpt alone, as the core sets it up (no dither, looping), one sample
// per read. Onsets carry no position (order/row -1).
inline Marks listen(const std::vector<uint8_t>& bytes, int rate, uint64_t samples)
{
    Marks out;
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!mod) return out;
    openmpt_module_set_repeat_count(mod, -1);
    openmpt_module_ctl_set_integer(mod, "dither", 0);
    int order = -1, row = -1;
    uint64_t quiet = kQuiet;  // the music starts out of silence
    // The burst's level, read well inside it: past the ramp at its start,
    // before its end at every rate, away from the ringing at its edges.
    constexpr uint64_t kLevelAt = 40;
    size_t last_note = SIZE_MAX;
    for (uint64_t i = 0; i < samples; ++i) {
        int16_t s[2];
        openmpt_module_read_interleaved_stereo(mod, rate, 1, s);
        const int o = openmpt_module_get_current_order(mod), r = openmpt_module_get_current_row(mod);
        if (o != order || r != row) {
            out.rows.push_back(Mark{i, o, r, -1});
            order = o;
            row = r;
        }
        if (last_note != SIZE_MAX && i == out.notes[last_note].sample + kLevelAt) {
            const double units = std::max(std::abs(int(s[0])), std::abs(int(s[1]))) / (kMixGain * kBurstStep);
            const long k = std::lround(units);
            if (k >= 1 && std::fabs(units - double(k)) < 0.02 * double(k)) out.notes[last_note].instrument = int(k - 1);
        }
        if (s[0] == 0 && s[1] == 0) {
            ++quiet;
            continue;
        }
        if (quiet >= kQuiet) {
            last_note = out.notes.size();
            out.notes.push_back(Mark{i, -1, -1, -1});
        }
        quiet = 0;
    }
    openmpt_module_destroy(mod);
    return out;
}

// The core's rows and triggers over the same span, rendered `block` samples
// at a time; triggers lose their position, as onsets have none.
inline Marks core_marks(const std::vector<uint8_t>& bytes, int rate, uint64_t samples, size_t block)
{
    Marks out;
    PlayerCore core{};
    if (player_core_open(&core, bytes.data(), bytes.size(), rate) != 0) return out;
    std::vector<int16_t> pcm(2 * block);
    for (uint64_t done = 0; done < samples;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block, samples - done));
        player_core_render_block(&core, pcm.data(), n, [&](const MusicEvent& e, size_t) {
            if (e.kind == MusicEventKind::Row)
                out.rows.push_back(Mark{e.sample, e.order, e.row, -1});
            else
                out.notes.push_back(Mark{e.sample, -1, -1, e.instrument});
        });
        done += n;
    }
    player_core_close(&core);
    return out;
}

// The worst distance in samples between the core's marks and the reference's,
// pairing them in order; -1 when they differ in anything but the sample
// (count, position, instrument).
inline int64_t worst_error(const std::vector<Mark>& core, const std::vector<Mark>& ref)
{
    if (core.size() != ref.size()) return -1;
    int64_t worst = 0;
    for (size_t i = 0; i < core.size(); ++i) {
        if (core[i].order != ref[i].order || core[i].row != ref[i].row || core[i].instrument != ref[i].instrument)
            return -1;
        worst = std::max<int64_t>(worst, std::llabs(int64_t(core[i].sample) - int64_t(ref[i].sample)));
    }
    return worst;
}

}  // namespace heard
