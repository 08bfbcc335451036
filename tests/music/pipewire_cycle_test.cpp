// Reading the graph's quantum out of PipeWire profiler reports, built here
// the way the server's profiler module builds them.
#include <gtest/gtest.h>

#include "core/music/pipewire_cycle.h"

#ifdef DRENSOLK_HAVE_PIPEWIRE
#include <spa/param/profiler.h>
#include <spa/pod/builder.h>

#include <cstdint>
#include <vector>

namespace {

struct Cycle {
    int32_t driver;
    std::vector<int32_t> followers;
    int64_t quantum;
    uint32_t rate;
};

// A report of one Profiler object per cycle: info, clock, the driver's block
// and one block per follower, each a struct with the node id first.
std::vector<uint8_t> report(const std::vector<Cycle>& cycles)
{
    std::vector<uint8_t> buffer(8192);
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer.data(), uint32_t(buffer.size()));
    spa_pod_frame outer, object;
    spa_pod_builder_push_struct(&b, &outer);
    for (const Cycle& c : cycles) {
        const spa_fraction rate = {1, c.rate}, latency = {uint32_t(c.quantum), c.rate}, asked = {4096, 44100};
        spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_Profiler, 0);
        spa_pod_builder_prop(&b, SPA_PROFILER_info, 0);
        spa_pod_builder_add_struct(&b, SPA_POD_Long(1), SPA_POD_Float(0.1f), SPA_POD_Float(0.1f), SPA_POD_Float(0.1f),
                                   SPA_POD_Int(0));
        spa_pod_builder_prop(&b, SPA_PROFILER_clock, 0);
        spa_pod_builder_add_struct(&b, SPA_POD_Int(0), SPA_POD_Int(c.driver), SPA_POD_String("clock"),
                                   SPA_POD_Long(1000), SPA_POD_Fraction(&rate), SPA_POD_Long(0),
                                   SPA_POD_Long(c.quantum), SPA_POD_Long(0), SPA_POD_Double(1.0), SPA_POD_Long(0));
        spa_pod_builder_prop(&b, SPA_PROFILER_driverBlock, 0);
        spa_pod_builder_add_struct(&b, SPA_POD_Int(c.driver), SPA_POD_String("sink"), SPA_POD_Long(0), SPA_POD_Long(0),
                                   SPA_POD_Long(0), SPA_POD_Long(0), SPA_POD_Int(3),
                                   SPA_POD_Fraction(&latency));
        for (int32_t f : c.followers) {
            spa_pod_builder_prop(&b, SPA_PROFILER_followerBlock, 0);
            spa_pod_builder_add_struct(&b, SPA_POD_Int(f), SPA_POD_String("stream"), SPA_POD_Long(0), SPA_POD_Long(0),
                                       SPA_POD_Long(0), SPA_POD_Long(0), SPA_POD_Int(3),
                                       SPA_POD_Fraction(&asked));
        }
        spa_pod_builder_pop(&b, &object);
    }
    spa_pod_builder_pop(&b, &outer);
    buffer.resize(b.state.offset);
    return buffer;
}

const spa_pod* pod(const std::vector<uint8_t>& bytes) { return reinterpret_cast<const spa_pod*>(bytes.data()); }

TEST(PipeWireCycle, TheQuantumOfTheCycleThatRunsOurNode)
{
    // Two graphs: a sink at 48 kHz, 2048 a cycle, playing nodes 44 and 45;
    // a device at 44.1 kHz, 256 a cycle, playing node 60.
    const std::vector<uint8_t> two = report({{38, {44, 45}, 2048, 48000}, {50, {60}, 256, 44100}});
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {45}), 2048 * 1000.0 / 48000, 1e-9);
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {60}), 256 * 1000.0 / 44100, 1e-9);
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {99, 60}), 256 * 1000.0 / 44100, 1e-9) << "any of ours";
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {50}), 256 * 1000.0 / 44100, 1e-9) << "a driver of ours";
}

TEST(PipeWireCycle, NoneWhenNoCycleRunsOursOrTheReportIsNotOne)
{
    const std::vector<uint8_t> one = report({{38, {44}, 1024, 48000}});
    EXPECT_EQ(profiled_cycle_ms(pod(one), {}), -1);
    EXPECT_EQ(profiled_cycle_ms(pod(one), {7}), -1);
    EXPECT_EQ(profiled_cycle_ms(nullptr, {44}), -1);
    EXPECT_EQ(profiled_cycle_ms(pod(report({{38, {44}, 0, 48000}})), {44}), -1) << "no quantum";
    EXPECT_EQ(profiled_cycle_ms(pod(report({{38, {44}, 1024, 0}})), {44}), -1) << "no rate";
    // A bare int where the struct of cycles should be.
    std::vector<uint8_t> bytes(64);
    spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes.data(), uint32_t(bytes.size()));
    spa_pod_builder_int(&b, 44);
    EXPECT_EQ(profiled_cycle_ms(pod(bytes), {44}), -1);
}

}  // namespace
#endif
