#include "xm/xm_writer.h"

#include <stdexcept>

namespace xm {
namespace {

constexpr uint16_t format_version = 0x0104;
constexpr uint32_t module_header_size = 276;  // from the size field to the end of the order table
constexpr uint32_t pattern_header_size = 9;
constexpr uint32_t instrument_header_size = 263;  // with its sample header size field and extras
constexpr uint32_t empty_instrument_header_size = 29;
constexpr uint32_t sample_header_size = 40;

[[noreturn]] void fail(const std::string& what) { throw std::invalid_argument("xm: " + what); }

class ByteWriter {
public:
    void u8(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v)
    {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    // Fixed-width text field, cut or padded with zero bytes.
    void text(const std::string& s, size_t width)
    {
        for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    void append(const std::vector<uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

void check_envelope(const Envelope& e, const std::string& where)
{
    if (e.points.size() > 12) fail(where + ": more than 12 envelope points");
    if (e.enabled && e.points.empty()) fail(where + ": enabled envelope without points");
    for (size_t i = 0; i < e.points.size(); ++i) {
        if (e.points[i].value > 64) fail(where + ": envelope value above 64");
        if (i > 0 && e.points[i].tick <= e.points[i - 1].tick) fail(where + ": envelope ticks must increase");
    }
    const int n = static_cast<int>(e.points.size());
    if (e.sustain && (e.sustain_point < 0 || e.sustain_point >= n))
        fail(where + ": sustain point outside the envelope");
    if (e.loop && (e.loop_start < 0 || e.loop_end >= n || e.loop_start > e.loop_end))
        fail(where + ": loop points outside the envelope");
}

void check_module(const Module& m)
{
    if (m.channels < 1 || m.channels > 32) fail("channel count must be 1..32");
    if (m.speed < 1 || m.speed > 31) fail("speed must be 1..31 ticks per row");
    if (m.bpm < 32 || m.bpm > 255) fail("bpm must be 32..255");
    if (m.orders.empty() || m.orders.size() > 256) fail("order list must hold 1..256 entries");
    if (m.restart_position < 0 || m.restart_position >= static_cast<int>(m.orders.size()))
        fail("restart position outside the order list");
    if (m.patterns.empty() || m.patterns.size() > 256) fail("need 1..256 patterns");
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) fail("order refers to pattern " + std::to_string(o) + " which does not exist");
    if (m.instruments.size() > 128) fail("more than 128 instruments");

    for (size_t pi = 0; pi < m.patterns.size(); ++pi) {
        const Pattern& p = m.patterns[pi];
        const std::string where = "pattern " + std::to_string(pi);
        if (p.rows < 1 || p.rows > 256) fail(where + ": rows must be 1..256");
        if (p.channels != m.channels) fail(where + ": channel count differs from the module's");
        if (p.cells.size() != static_cast<size_t>(p.rows * p.channels))
            fail(where + ": cell count is not rows * channels");
        for (const Cell& c : p.cells) {
            if (c.note > key_off) fail(where + ": note above 97");
            if (c.instrument > m.instruments.size()) fail(where + ": instrument number past the instrument list");
            if (c.effect > 35) fail(where + ": effect number above 35");
        }
    }

    for (size_t ii = 0; ii < m.instruments.size(); ++ii) {
        const Instrument& ins = m.instruments[ii];
        const std::string where = "instrument " + std::to_string(ii);
        if (ins.samples.size() > 16) fail(where + ": more than 16 samples");
        if (!ins.samples.empty())
            for (uint8_t s : ins.note_map)
                if (s >= ins.samples.size()) fail(where + ": note map points past the samples");
        check_envelope(ins.volume_envelope, where + " volume");
        check_envelope(ins.panning_envelope, where + " panning");
        if (ins.fadeout > 0xFFF) fail(where + ": fadeout above 0xFFF");
        for (const Sample& s : ins.samples) {
            if (s.volume > 64) fail(where + ": sample volume above 64");
            if (s.data.size() > 0x3FFFFFFF) fail(where + ": sample too long");
            if (s.loop != LoopType::none) {
                if (s.loop_length == 0) fail(where + ": looped sample with zero loop length");
                if (static_cast<uint64_t>(s.loop_start) + s.loop_length > s.data.size())
                    fail(where + ": sample loop runs past the sample's end");
            }
        }
    }
}

// FT2's packed cell: a flag byte (bit 7 set) naming which of the five fields follow.
void pack_cell(const Cell& c, std::vector<uint8_t>& out)
{
    uint8_t flags = 0x80;
    if (c.note) flags |= 0x01;
    if (c.instrument) flags |= 0x02;
    if (c.volume) flags |= 0x04;
    if (c.effect) flags |= 0x08;
    if (c.param) flags |= 0x10;
    if (flags == 0x9F) {
        // All five present: the plain form is as short and every reader knows it.
        out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
        return;
    }
    out.push_back(flags);
    if (c.note) out.push_back(c.note);
    if (c.instrument) out.push_back(c.instrument);
    if (c.volume) out.push_back(c.volume);
    if (c.effect) out.push_back(c.effect);
    if (c.param) out.push_back(c.param);
}

void write_pattern(const Pattern& p, ByteWriter& w)
{
    std::vector<uint8_t> data;
    bool any = false;
    for (const Cell& c : p.cells) {
        pack_cell(c, data);
        any = any || c.note || c.instrument || c.volume || c.effect || c.param;
    }
    if (!any) data.clear();  // size 0 stands for an empty pattern
    if (data.size() > 0xFFFF) fail("packed pattern larger than 64 KiB");
    w.u32(pattern_header_size);
    w.u8(0);  // packing type, always 0
    w.u16(static_cast<uint32_t>(p.rows));
    w.u16(static_cast<uint32_t>(data.size()));
    w.append(data);
}

void write_envelope_points(const Envelope& e, ByteWriter& w)
{
    for (size_t i = 0; i < 12; ++i) {
        if (i < e.points.size()) {
            w.u16(e.points[i].tick);
            w.u16(e.points[i].value);
        } else {
            w.u32(0);
        }
    }
}

uint8_t envelope_flags(const Envelope& e)
{
    return static_cast<uint8_t>((e.enabled ? 1 : 0) | (e.sustain ? 2 : 0) | (e.loop ? 4 : 0));
}

void write_instrument(const Instrument& ins, ByteWriter& w)
{
    if (ins.samples.empty()) {
        w.u32(empty_instrument_header_size);
        w.text(ins.name, 22);
        w.u8(0);
        w.u16(0);
        return;
    }
    w.u32(instrument_header_size);
    w.text(ins.name, 22);
    w.u8(0);  // type, always 0
    w.u16(static_cast<uint32_t>(ins.samples.size()));
    w.u32(sample_header_size);
    for (uint8_t s : ins.note_map) w.u8(s);
    write_envelope_points(ins.volume_envelope, w);
    write_envelope_points(ins.panning_envelope, w);
    const Envelope& v = ins.volume_envelope;
    const Envelope& p = ins.panning_envelope;
    w.u8(static_cast<uint32_t>(v.points.size()));
    w.u8(static_cast<uint32_t>(p.points.size()));
    w.u8(static_cast<uint32_t>(v.sustain_point));
    w.u8(static_cast<uint32_t>(v.loop_start));
    w.u8(static_cast<uint32_t>(v.loop_end));
    w.u8(static_cast<uint32_t>(p.sustain_point));
    w.u8(static_cast<uint32_t>(p.loop_start));
    w.u8(static_cast<uint32_t>(p.loop_end));
    w.u8(envelope_flags(v));
    w.u8(envelope_flags(p));
    w.u8(ins.vibrato_type);
    w.u8(ins.vibrato_sweep);
    w.u8(ins.vibrato_depth);
    w.u8(ins.vibrato_rate);
    w.u16(ins.fadeout);
    w.zeros(22);  // reserved (MIDI fields FT2 never used)

    for (const Sample& s : ins.samples) {
        // Lengths and loop points are in bytes: two per 16-bit frame.
        const bool looped = s.loop != LoopType::none;
        w.u32(static_cast<uint32_t>(s.data.size() * 2));
        w.u32(looped ? s.loop_start * 2 : 0);
        w.u32(looped ? s.loop_length * 2 : 0);
        w.u8(s.volume);
        w.u8(static_cast<uint8_t>(s.finetune));
        w.u8(static_cast<uint8_t>(s.loop) | 0x10);  // bit 4: 16-bit data
        w.u8(s.panning);
        w.u8(static_cast<uint8_t>(s.relative_note));
        w.u8(0);  // reserved
        w.text(s.name, 22);
    }
    for (const Sample& s : ins.samples) {
        // Delta coding: each frame is stored as the difference to the one before.
        int16_t previous = 0;
        for (int16_t v : s.data) {
            const uint16_t delta = static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(previous));
            w.u16(delta);
            previous = v;
        }
    }
}

}  // namespace

Pattern make_pattern(int rows, int channels)
{
    Pattern p;
    p.rows = rows;
    p.channels = channels;
    p.cells.assign(static_cast<size_t>(rows > 0 && channels > 0 ? rows * channels : 0), Cell{});
    return p;
}

std::vector<uint8_t> write_xm(const Module& m)
{
    check_module(m);
    ByteWriter w;
    w.text("Extended Module: ", 17);
    w.text(m.name, 20);
    w.u8(0x1A);
    w.text("drensolk datagen", 20);
    w.u16(format_version);
    w.u32(module_header_size);
    w.u16(static_cast<uint32_t>(m.orders.size()));
    w.u16(static_cast<uint32_t>(m.restart_position));
    w.u16(static_cast<uint32_t>(m.channels));
    w.u16(static_cast<uint32_t>(m.patterns.size()));
    w.u16(static_cast<uint32_t>(m.instruments.size()));
    w.u16(m.linear_frequencies ? 1 : 0);
    w.u16(static_cast<uint32_t>(m.speed));
    w.u16(static_cast<uint32_t>(m.bpm));
    for (size_t i = 0; i < 256; ++i) w.u8(i < m.orders.size() ? m.orders[i] : 0);
    for (const Pattern& p : m.patterns) write_pattern(p, w);
    for (const Instrument& ins : m.instruments) write_instrument(ins, w);
    return std::move(w.bytes());
}

}  // namespace xm
