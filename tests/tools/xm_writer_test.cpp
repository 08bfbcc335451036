#include "xm/xm_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "openmpt_probe.h"

namespace {

// One looped sine period; loud enough to find in a render.
xm::Instrument sine_instrument(const char* name)
{
    xm::Instrument ins;
    ins.name = name;
    xm::Sample s;
    s.name = name;
    for (int i = 0; i < 64; ++i) s.data.push_back(static_cast<int16_t>(20000 * std::sin(i * 2 * M_PI / 64)));
    s.loop = xm::LoopType::forward;
    s.loop_start = 0;
    s.loop_length = 64;
    ins.samples.push_back(s);
    return ins;
}

// One channel, two instruments, `rows`-row patterns, speed 6 at 125 BPM (0.12 s a row).
xm::Module tiny_module(int patterns, int rows)
{
    xm::Module m;
    m.name = "writer test";
    m.channels = 1;
    m.instruments = {sine_instrument("a"), sine_instrument("b")};
    for (int i = 0; i < patterns; ++i) m.patterns.push_back(xm::make_pattern(rows, 1));
    return m;
}

double peak(const std::vector<float>& v, size_t from, size_t to)
{
    double p = 0;
    for (size_t i = from; i < to && i < v.size(); ++i) p = std::max(p, static_cast<double>(std::fabs(v[i])));
    return p;
}

TEST(XmWriter, HeaderCarriesFormatVersionAndSizes)
{
    xm::Module m = tiny_module(1, 16);
    m.orders = {0};
    const auto bytes = xm::write_xm(m);
    ASSERT_GT(bytes.size(), 336u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    EXPECT_EQ(bytes[37], 0x1A);
    EXPECT_EQ(bytes[58] | bytes[59] << 8, 0x0104);
    EXPECT_EQ(bytes[60] | bytes[61] << 8, 276);
}

TEST(XmWriter, TinyModuleReadsBackCellForCell)
{
    xm::Module m = tiny_module(3, 16);
    m.patterns[0].at(0, 0) = {xm::note(4, 0), 1};
    m.patterns[0].at(4, 0) = {xm::note(4, 7), 2, xm::volume(48), xm::fx::extended, 0xD3};
    m.patterns[0].at(8, 0) = {xm::key_off};
    m.patterns[1].at(2, 0) = {0, 0, 0, xm::fx::pattern_break, 0x00};
    m.patterns[2].at(15, 0) = {xm::note(3, 0), 1};
    m.orders = {0, 1, 2, 0};
    const auto loaded = probe::load(xm::write_xm(m));
    ASSERT_NE(loaded->get(), nullptr) << loaded->error;
    openmpt_module* mod = loaded->get();
    EXPECT_EQ(openmpt_module_get_num_orders(mod), 4);
    EXPECT_EQ(openmpt_module_get_num_patterns(mod), 3);
    EXPECT_EQ(openmpt_module_get_num_instruments(mod), 2);
    EXPECT_EQ(openmpt_module_get_num_channels(mod), 1);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(mod, 1), 16);
    EXPECT_EQ(openmpt_module_get_order_pattern(mod, 2), 2);
    // libopenmpt numbers notes an octave higher than XM does (its C-5 is XM's C-4).
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(mod, 0, 4, 0, OPENMPT_MODULE_COMMAND_NOTE),
              xm::note(4, 7) + 12);
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(mod, 0, 4, 0, OPENMPT_MODULE_COMMAND_INSTRUMENT), 2);
    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(mod, 0, 4, 0, OPENMPT_MODULE_COMMAND_PARAMETER), 0xD3);
}

TEST(XmWriter, PatternBreakAndPositionJumpShapeTheSongLength)
{
    // Order 0 breaks after row 2 into order 1 at row 8 (BCD 0x08); order 1
    // then plays rows 8..15 and jumps over order 2 to order 3.
    xm::Module m = tiny_module(4, 16);
    m.patterns[0].at(0, 0) = {xm::note(4, 0), 1};
    m.patterns[0].at(2, 0) = {0, 0, 0, xm::fx::pattern_break, 0x08};
    m.patterns[1].at(15, 0) = {0, 0, 0, xm::fx::position_jump, 3};
    m.orders = {0, 1, 2, 3};
    const auto loaded = probe::load(xm::write_xm(m));
    ASSERT_NE(loaded->get(), nullptr) << loaded->error;
    // 3 + 8 + 16 rows of 0.12 s.
    EXPECT_NEAR(openmpt_module_get_duration_seconds(loaded->get()), 27 * 0.12, 1e-3);
}

TEST(XmWriter, NoteDelayHoldsTheNoteBackByItsTicks)
{
    xm::Module m = tiny_module(1, 4);
    m.patterns[0].at(0, 0) = {xm::note(4, 0), 1, 0, xm::fx::extended, 0xD3};
    m.orders = {0};
    const auto loaded = probe::load(xm::write_xm(m));
    ASSERT_NE(loaded->get(), nullptr) << loaded->error;
    const int rate = 48000;
    const auto out = probe::render(loaded->get(), rate, 0.2);
    // A tick is 0.02 s: silence for three ticks, then the note.
    EXPECT_LT(peak(out.left, 0, rate * 55 / 1000), 1e-4);
    EXPECT_GT(peak(out.left, rate * 65 / 1000, rate * 100 / 1000), 0.05);
}

TEST(XmWriter, SampleDataSurvivesDeltaCoding)
{
    // A loud square wave: if the deltas were wrong the render would drift or wrap.
    xm::Module m = tiny_module(1, 8);
    xm::Sample& s = m.instruments[0].samples[0];
    s.data.clear();
    for (int i = 0; i < 64; ++i) s.data.push_back(i < 32 ? 30000 : -30000);
    m.patterns[0].at(0, 0) = {xm::note(4, 0), 1};
    m.orders = {0};
    const auto loaded = probe::load(xm::write_xm(m));
    ASSERT_NE(loaded->get(), nullptr);
    const auto out = probe::render(loaded->get(), 48000, 0.5);
    double sum = 0;
    for (size_t i = 4800; i < 19200; ++i) sum += out.left[i];
    // Symmetric square: near-zero mean, and loud.
    EXPECT_NEAR(sum / 14400, 0.0, 0.02);
    EXPECT_GT(peak(out.left, 4800, 19200), 0.2);
}

TEST(XmWriter, RejectsModulesPlayersWouldRefuse)
{
    auto base = [] {
        xm::Module m = tiny_module(1, 8);
        m.orders = {0};
        return m;
    };
    EXPECT_NO_THROW(xm::write_xm(base()));

    xm::Module bad_note = base();
    bad_note.patterns[0].at(0, 0).note = 98;
    EXPECT_THROW(xm::write_xm(bad_note), std::invalid_argument);

    xm::Module bad_instrument = base();
    bad_instrument.patterns[0].at(0, 0) = {xm::note(4, 0), 3};
    EXPECT_THROW(xm::write_xm(bad_instrument), std::invalid_argument);

    xm::Module bad_order = base();
    bad_order.orders = {0, 1};
    EXPECT_THROW(xm::write_xm(bad_order), std::invalid_argument);

    xm::Module bad_loop = base();
    bad_loop.instruments[0].samples[0].loop_length = 65;
    EXPECT_THROW(xm::write_xm(bad_loop), std::invalid_argument);

    xm::Module bad_envelope = base();
    bad_envelope.instruments[0].volume_envelope = {true, {{0, 64}, {0, 0}}};
    EXPECT_THROW(xm::write_xm(bad_envelope), std::invalid_argument);

    xm::Module bad_rows = base();
    bad_rows.patterns[0] = xm::make_pattern(257, 1);
    EXPECT_THROW(xm::write_xm(bad_rows), std::invalid_argument);
}

TEST(XmWriter, EnvelopesAndFadeoutLoad)
{
    xm::Module m = tiny_module(1, 16);
    xm::Envelope& e = m.instruments[0].volume_envelope;
    e.enabled = true;
    e.points = {{0, 64}, {10, 32}, {40, 0}};
    e.sustain = true;
    e.sustain_point = 1;
    m.instruments[0].fadeout = 0x400;
    m.patterns[0].at(0, 0) = {xm::note(4, 0), 1};
    m.patterns[0].at(8, 0) = {xm::key_off};
    m.orders = {0};
    const auto loaded = probe::load(xm::write_xm(m));
    ASSERT_NE(loaded->get(), nullptr) << loaded->error;
    // Held at the sustain point, then released: silent by the end of the pattern.
    const auto out = probe::render(loaded->get(), 48000, 1.9);
    EXPECT_GT(peak(out.left, 48000 * 6 / 10, 48000 * 9 / 10), 0.05);
    EXPECT_LT(peak(out.left, 48000 * 17 / 10, 48000 * 19 / 10), 1e-3);
}

}  // namespace
