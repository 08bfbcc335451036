// The audio server's word on the output's delay: the middle read, and no server.
#include "core/music/output_delay.h"
#include "core/music/pipewire_cycle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

TEST(OutputDelay, MiddleOfTheReadsThatAnsweredElseMinusOne)
{
    // A sink still reporting what it held before the stream (562 ms) must
    // not pull the answer up, as it pulls a mean (179 ms).
    const double reads[] = {80.0, -1.0, 562.0, 0.0, 85.0, 78.0, 90.0};
    EXPECT_DOUBLE_EQ(median_reported_delay(reads, 7), 85.0);
    const double none[] = {-1.0, 0.0};
    EXPECT_EQ(median_reported_delay(none, 2), -1.0);
    EXPECT_EQ(median_reported_delay(reads, 0), -1.0);
}

TEST(OutputDelay, PipeWirePulseQueueFromTheAttributeItPublishes)
{
    // What pipewire-pulse 0.3.65 gave SDL's 4096-sample stream at 48 kHz:
    // 3008 frames of queue, S16 stereo.
    EXPECT_NEAR(pipewire_pulse_delay_ms("12032", 4, 48000), 62.67, 0.01);
    for (const char* bad : {(const char*)nullptr, "", "12x", "-12032", "0"})
        EXPECT_EQ(pipewire_pulse_delay_ms(bad, 4, 48000), -1.0);
}

// The arithmetic against a real server's quantum: the desktop test.
TEST(OutputDelay, PipeWirePulseStreamsCycleOrTheQueueAlone)
{
    EXPECT_NEAR(node_latency_ms("1088/48000"), 22.67, 0.01);
    for (const char* bad : {(const char*)nullptr, "", "1088", "1088/", "/48000", "0/48000", "1088/0", "1088/48k"})
        EXPECT_EQ(node_latency_ms(bad), -1.0) << (bad ? bad : "null");
    // No graph to ask, or no cycle asked for: the queue as published.
    EXPECT_EQ(pipewire_pulse_graph_delay_ms(62.67, 22.67, -1), 62.67);
    EXPECT_EQ(pipewire_pulse_graph_delay_ms(62.67, -1, 42.67), 62.67);
}

TEST(OutputDelay, NoServerAnswersMinusOneAtOnceAndStartsNone)
{
    // Servers that are not there: no autospawn, no waiting out the reads.
    for (const auto& [name, value] : {std::pair{"PULSE_SERVER", "unix:/nonexistent/drensolk-no-server"},
                                      std::pair{"PIPEWIRE_REMOTE", "/nonexistent/drensolk-no-server"}}) {
        const char* kept = std::getenv(name);
        const std::string restore = kept ? kept : "";
        setenv(name, value, 1);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(std::string(name) == "PULSE_SERVER" ? server_output_delay_ms() : pipewire_cycle_ms(), -1.0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
        if (kept)
            setenv(name, restore.c_str(), 1);
        else
            unsetenv(name);
    }
}

// A sink whose sawtooth (0 to 24 ms) repeats at about the read gap: the
// varied gaps still catch it across its cycle, so the median of 16 reads
// lands within 6 ms of its middle (even 20 ms gaps: up to 12 ms off),
// whatever the period and where the first read falls.
TEST(OutputDelay, ReadGapsCatchTheSinksSawtoothAtEveryPhase)
{
    for (double period = 10; period <= 40; period += 2.5) {
        for (double start = 0; start < period; start += period / 4) {
            double reads[16], t = start;
            for (int i = 0; i < 16; ++i) {
                if (i) t += delay_read_gap_ms(i, 20);
                reads[i] = 60.0 + 24.0 * (1.0 - std::fmod(t, period) / period);
            }
            EXPECT_NEAR(median_reported_delay(reads, 16), 72.0, 6.0) << "period " << period << ", start " << start;
        }
    }
}
