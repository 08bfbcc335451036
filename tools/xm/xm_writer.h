// A small writer for FastTracker 2 extended modules (XM, version 0x0104).
//
// Build a Module in memory (patterns, instruments, samples), then call
// write_xm() to get the file's bytes. The writer checks the module first and
// throws std::invalid_argument on anything FT2 or libopenmpt would reject, so
// a test module that loads is also a module the demo can play.
//
// A tiny module: one channel, one instrument, a note delay and a pattern break.
//
//   xm::Module m;
//   m.name = "test";
//   m.channels = 1;                       // FT2 itself wants an even count
//   m.speed = 6; m.bpm = 125;             // ticks per row, beats per minute
//   xm::Instrument ins;
//   ins.name = "sine";
//   xm::Sample s;
//   s.data = std::vector<int16_t>(64);    // one period, looped
//   for (int i = 0; i < 64; ++i) s.data[i] = int16_t(12000 * std::sin(i * 0.0982));
//   s.loop = xm::LoopType::forward; s.loop_start = 0; s.loop_length = 64;
//   ins.samples.push_back(s);             // note_map all 0: every key plays sample 0
//   m.instruments.push_back(ins);         // written as instrument 1 in cells
//
//   xm::Pattern p = xm::make_pattern(16, m.channels);
//   p.at(0, 0) = {xm::note(4, 0), 1};                        // C-4, instrument 1
//   p.at(4, 0) = {xm::note(4, 7), 1, 0, xm::fx::extended, 0xD3}; // EDx: delay 3 ticks
//   p.at(8, 0) = {0, 0, 0, xm::fx::pattern_break, 0x00};     // D00: next order, row 0
//   m.patterns.push_back(p);
//   m.orders = {0, 0};                    // pattern 0 played twice
//
//   std::vector<uint8_t> bytes = xm::write_xm(m);
//
// Instrument numbers in cells are 1-based (0 = none); a module's instruments
// vector is 0-based, so instruments[k] is written as k + 1.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

// Note numbers: 0 = no note, 1..96 = C-0..B-7, 97 = key off.
constexpr uint8_t no_note = 0;
constexpr uint8_t key_off = 97;

// The note byte for an octave (0..7) and a semitone (0 = C .. 11 = B).
// C-4 (octave 4, semitone 0) is 49: a sample with relative note 0 plays at
// its own rate (8363 Hz) on that key.
constexpr uint8_t note(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone + 1); }

// Effect numbers of the effect column (the param byte holds the argument).
namespace fx {
constexpr uint8_t arpeggio = 0x0;       // 0xy
constexpr uint8_t porta_up = 0x1;       // 1xx
constexpr uint8_t porta_down = 0x2;     // 2xx
constexpr uint8_t tone_porta = 0x3;     // 3xx
constexpr uint8_t vibrato = 0x4;        // 4xy
constexpr uint8_t volume_slide = 0xA;   // Axy: x up, y down
constexpr uint8_t position_jump = 0xB;  // Bxx: go to order xx, row 0
constexpr uint8_t set_volume = 0xC;     // Cxx: 0..0x40
constexpr uint8_t pattern_break = 0xD;  // Dxy: next order, row given in BCD (D32 = row 32)
constexpr uint8_t extended = 0xE;       // Exy: x picks the command, e.g. ED3 = note delay 3 ticks
constexpr uint8_t set_speed = 0xF;      // Fxx: below 0x20 ticks per row, else BPM
constexpr uint8_t set_panning = 0x8;    // 8xx
}  // namespace fx

// The volume column byte: 0 = empty, 0x10..0x50 = set volume 0..64.
constexpr uint8_t volume(int v) { return static_cast<uint8_t>(0x10 + (v < 0 ? 0 : v > 64 ? 64 : v)); }

struct Cell {
    uint8_t note = 0;        // 0 none, 1..96, 97 key off
    uint8_t instrument = 0;  // 0 none, 1..128 (1-based)
    uint8_t volume = 0;      // volume column byte (see volume())
    uint8_t effect = 0;      // fx::*
    uint8_t param = 0;
};

struct Pattern {
    int rows = 64;  // 1..256
    int channels = 0;
    std::vector<Cell> cells;  // row-major: rows * channels

    Cell& at(int row, int channel) { return cells.at(static_cast<size_t>(row * channels + channel)); }
    const Cell& at(int row, int channel) const { return cells.at(static_cast<size_t>(row * channels + channel)); }
};

// An empty pattern of the given size.
Pattern make_pattern(int rows, int channels);

struct EnvelopePoint {
    uint16_t tick = 0;   // ticks from the note's start; strictly increasing
    uint16_t value = 0;  // 0..64 (panning: 0..64, 32 = centre)
};

struct Envelope {
    bool enabled = false;
    std::vector<EnvelopePoint> points;  // up to 12
    bool sustain = false;
    int sustain_point = 0;  // held there until key off
    bool loop = false;
    int loop_start = 0;  // point indices
    int loop_end = 0;
};

enum class LoopType : uint8_t { none = 0, forward = 1, pingpong = 2 };

struct Sample {
    std::string name;           // up to 22 characters
    std::vector<int16_t> data;  // 16-bit mono PCM, written delta-coded
    LoopType loop = LoopType::none;
    uint32_t loop_start = 0;   // in values of `data`
    uint32_t loop_length = 0;  // in values of `data`; > 0 when looped
    uint8_t volume = 64;       // 0..64: a note's volume unless its cell's volume column sets one
    int8_t finetune = 0;       // -128..127, 1/128 semitone steps
    uint8_t panning = 128;     // 0..255, 128 = centre
    int8_t relative_note = 0;  // semitones added to the played note
};

struct Instrument {
    std::string name;                    // up to 22 characters
    std::vector<Sample> samples;         // up to 16
    std::array<uint8_t, 96> note_map{};  // key (0 = C-0) -> index into samples
    Envelope volume_envelope;
    Envelope panning_envelope;
    uint16_t fadeout = 0;  // volume fade after key off, 0..0xFFF
    uint8_t vibrato_type = 0;
    uint8_t vibrato_sweep = 0;
    uint8_t vibrato_depth = 0;
    uint8_t vibrato_rate = 0;
};

struct Module {
    std::string name;  // up to 20 characters
    int channels = 8;  // 1..32
    int speed = 6;     // ticks per row, 1..31
    int bpm = 125;     // 32..255
    bool linear_frequencies = true;
    std::vector<uint8_t> orders;          // pattern index per order, 1..256 entries
    int restart_position = 0;             // order to loop back to after the last
    std::vector<Pattern> patterns;        // up to 256; each with `channels` channels
    std::vector<Instrument> instruments;  // up to 128
};

// The module as XM file bytes. Throws std::invalid_argument naming the first
// problem found (a note above 97, an instrument number past the list, an
// order pointing at no pattern, a loop past the sample's end, ...).
std::vector<uint8_t> write_xm(const Module& module);

}  // namespace xm
