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

// A report of one Profiler object per cycle: its clock, then the driver's
// block and one per follower, each a struct with the node id first.
std::vector<uint8_t> report(const std::vector<Cycle>& cycles)
{
    std::vector<uint8_t> buffer(8192);
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer.data(), uint32_t(buffer.size()));
    spa_pod_frame outer, object;
    spa_pod_builder_push_struct(&b, &outer);
    for (const Cycle& c : cycles) {
        const spa_fraction rate = {1, c.rate}, latency = {uint32_t(c.quantum), c.rate};
        spa_pod_builder_push_object(&b, &object, SPA_TYPE_OBJECT_Profiler, 0);
        spa_pod_builder_prop(&b, SPA_PROFILER_clock, 0);
        spa_pod_builder_add_struct(&b, SPA_POD_Int(0), SPA_POD_Int(c.driver), SPA_POD_String("clock"),
                                   SPA_POD_Long(1000), SPA_POD_Fraction(&rate), SPA_POD_Long(0),
                                   SPA_POD_Long(c.quantum), SPA_POD_Long(0), SPA_POD_Double(1.0), SPA_POD_Long(0));
        std::vector<int32_t> blocks = {c.driver};
        blocks.insert(blocks.end(), c.followers.begin(), c.followers.end());
        for (size_t i = 0; i < blocks.size(); ++i) {
            spa_pod_builder_prop(&b, i ? SPA_PROFILER_followerBlock : SPA_PROFILER_driverBlock, 0);
            spa_pod_builder_add_struct(&b, SPA_POD_Int(blocks[i]), SPA_POD_String("node"), SPA_POD_Long(0),
                                       SPA_POD_Long(0), SPA_POD_Long(0), SPA_POD_Long(0), SPA_POD_Int(3),
                                       SPA_POD_Fraction(&latency));
        }
        spa_pod_builder_pop(&b, &object);
    }
    spa_pod_builder_pop(&b, &outer);
    buffer.resize(b.state.offset);
    return buffer;
}

const spa_pod* pod(const std::vector<uint8_t>& bytes) { return reinterpret_cast<const spa_pod*>(bytes.data()); }

TEST(PipeWireCycle, TheQuantumOfTheCycleThatRunsOneOfOurNodesElseNone)
{
    // Two graphs: a sink at 48 kHz, 2048 a cycle, playing nodes 44 and 45;
    // a device at 44.1 kHz, 256 a cycle, playing node 60.
    const std::vector<uint8_t> two = report({{38, {44, 45}, 2048, 48000}, {50, {60}, 256, 44100}});
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {45}), 2048 * 1000.0 / 48000, 1e-9);
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {99, 60}), 256 * 1000.0 / 44100, 1e-9);
    EXPECT_NEAR(profiled_cycle_ms(pod(two), {50}), 256 * 1000.0 / 44100, 1e-9) << "a driver of ours";
    EXPECT_EQ(profiled_cycle_ms(pod(two), {7}), -1);
    EXPECT_EQ(profiled_cycle_ms(nullptr, {44}), -1);
    EXPECT_EQ(profiled_cycle_ms(pod(report({{38, {44}, 0, 48000}})), {44}), -1) << "no quantum";
}

}  // namespace
#endif
