// The demo's frame loop on real Mesa with no music (a null module reads as
// order -1, row -1, so neither the end position nor a stopped song ends it):
// the hooks are called once per frame in order, and the loop ends when a hook
// asks or after the frame that saw a key press.
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "core/frame_loop.h"
#include "render/render_harness.h"

namespace {

struct Trace {
    std::string calls;  // 's' frame start, 'f' frame shown, '?' stop asked
    std::vector<ShownFrame> shown;
};

FrameLoopHooks tracing(Trace* trace, int stop_after)
{
    FrameLoopHooks hooks;
    hooks.frame_start = [trace] { trace->calls += 's'; };
    hooks.frame_shown = [trace](const ShownFrame& f) {
        trace->calls += 'f';
        trace->shown.push_back(f);
    };
    hooks.stop = [trace, stop_after] {
        trace->calls += '?';
        return static_cast<int>(trace->shown.size()) >= stop_after;
    };
    return hooks;
}

}  // namespace

TEST(FrameLoop, HooksRunOncePerFrameAndStopEndsTheLoop)
{
    ASSERT_TRUE(render_open());
    Trace trace;
    run_frame_loop(nullptr, tracing(&trace, 3));
    EXPECT_EQ(trace.calls, "sf?sf?sf?");
    ASSERT_EQ(trace.shown.size(), 3u);
    for (const ShownFrame& f : trace.shown) {
        EXPECT_EQ(f.order, -1);
        EXPECT_EQ(f.row, -1);
        EXPECT_GE(f.draw_ms, 0);
        EXPECT_GE(f.swap_ms, 0);
        EXPECT_GE(f.frame_ms + 1e-6, f.draw_ms + f.swap_ms);
        EXPECT_LT(f.frame_ms, 60000);
    }
    EXPECT_LE(trace.shown[0].t, trace.shown[2].t);
}

TEST(FrameLoop, AKeyPressEndsTheLoopAfterTheFrameThatSawIt)
{
    ASSERT_TRUE(render_open());
    SDL_Event e;
    while (SDL_PollEvent(&e)) {}
    Trace trace;
    FrameLoopHooks hooks = tracing(&trace, 100);
    // Pressed while frame 2 is shown: frame 3 polls it, is drawn and shown,
    // and no frame 4 starts.
    hooks.frame_shown = [&trace](const ShownFrame& f) {
        trace.calls += 'f';
        trace.shown.push_back(f);
        if (trace.shown.size() == 2) {
            SDL_Event key{};
            key.type = SDL_KEYDOWN;
            SDL_PushEvent(&key);
        }
    };
    run_frame_loop(nullptr, hooks);
    EXPECT_EQ(trace.shown.size(), 3u);
    EXPECT_EQ(trace.calls, "sf?sf?sf?");
}
