// The intro: one frame's drawing as a function of the clock, and its own loop.
#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <cmath>
#include <vector>

#include "core/key_poll.h"
#include "effects/intro_spinner.h"
#include "support/gl_recorder.h"

namespace {

class Intro : public ::testing::Test {
protected:
    void SetUp() override { glrec::reset(); }
};

// A clock that returns the scripted values in turn, then repeats the last one.
struct ScriptedClock {
    std::vector<double> values;
    size_t reads = 0;
    double operator()()
    {
        const double v = values[std::min(reads, values.size() - 1)];
        ++reads;
        return v;
    }
};

TEST_F(Intro, ClockAtZeroDrawsSevenEmptyBands)
{
    draw_intro_frame([] { return 0.0; });
    ASSERT_EQ(glrec::calls().front().name, "glClear");
    EXPECT_EQ(glrec::calls().front().args[0], double(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
    const auto bands = glrec::batches_of(GL_QUADS);
    ASSERT_EQ(bands.size(), 7u);
    for (const auto& band : bands) {
        ASSERT_EQ(band.vertices.size(), 80u);
        // Zero span: every quad collapses to a radial segment at angle 0.
        for (const auto& v : band.vertices) EXPECT_NEAR(v.y, 0.65f, 1e-6f);
    }
}

TEST_F(Intro, BandsHaveTheirColoursRadiiAndEachReadsTheClock)
{
    ScriptedClock clock{{1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2}};
    draw_intro_frame(clock);
    EXPECT_EQ(clock.reads, 7u);
    const auto bands = glrec::batches_of(GL_QUADS);
    ASSERT_EQ(bands.size(), 7u);
    const glrec::Rgba purple = bands[0].at_begin.color, red = bands[6].at_begin.color;
    EXPECT_EQ(purple.r, 0.5f);
    EXPECT_EQ(purple.g, 0.0f);
    EXPECT_EQ(purple.b, 0.5f);
    EXPECT_EQ(red.r, 1.0f);
    EXPECT_EQ(red.g, 0.0f);
    EXPECT_EQ(red.b, 0.0f);
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        const auto& v = bands[k].vertices;
        const double inner = 0.2 + k * 0.025, outer = 0.225 + k * 0.025;
        EXPECT_EQ(bands[k].at_begin.color.g, intro_colours[k].g);
        // Starts at angle 0, right of the centre (0.5, 0.65).
        EXPECT_NEAR(v[0].x, 0.5 + inner, 1e-6);
        EXPECT_NEAR(v[0].y, 0.65, 1e-6);
        EXPECT_NEAR(v[3].x, 0.5 + outer, 1e-6);
        // Ends at minus this band's own clock reading, above the centre.
        const double end = -clock.values[k];
        EXPECT_NEAR(v[77].x, 0.5 + inner * std::cos(end), 1e-5);
        EXPECT_NEAR(v[77].y, 0.65 + inner * std::sin(end), 1e-5);
        for (const auto& p : v) EXPECT_LE(p.y, 0.65f + 1e-6f);
    }
    // Seven touching bands from radius 0.2 to 0.375.
    EXPECT_NEAR(bands[6].vertices[3].x, 0.875, 1e-6);
}

TEST_F(Intro, ClockAlreadyPastTheEndShowsExactlyOneFrame)
{
    int swaps = 0, polls = 0;
    // A key at the tenth poll only guards against a loop that would not end.
    const int frames = run_intro_loop([] { return 3.141516; }, [&] { return ++polls == 10; }, [&] { ++swaps; });
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(swaps, 1);
    EXPECT_EQ(polls, 1);
    EXPECT_EQ(glrec::batches_of(GL_QUADS).size(), 7u);
    // Projection once, as the main loop sets it every frame.
    const auto ortho = glrec::calls_named("glOrtho");
    ASSERT_EQ(ortho.size(), 1u);
    EXPECT_EQ(ortho[0].args, (std::vector<double>{0, 1, 0.875, 0.125, 0.1, 1000}));
    EXPECT_EQ(glrec::calls_named("glTranslatef")[0].args[2], -70.0);
}

// The end is 3.141516, a little short of pi: a clock between the two still ends it,
// one just short of it does not (the key press at frame 4 is the guard).
TEST_F(Intro, EndsOnTheAfterSwapClockAtThreePointOneFourOneFiveOneSix)
{
    int polls = 0;
    auto key_at_four = [&] { return ++polls == 4; };
    EXPECT_EQ(run_intro_loop([] { return 3.1415165; }, key_at_four, [] {}), 1);
    polls = 0;
    EXPECT_EQ(run_intro_loop([] { return 3.1415159; }, key_at_four, [] {}), 4);

    // Eight reads a frame (seven bands, then the end test): read n gives n / 10.
    // The end test of frame f reads (8f - 1) / 10, first >= 3.141516 at f = 5.
    double n = 0;
    polls = 0;
    EXPECT_EQ(run_intro_loop([&] { return (n++) / 10; }, [&] { return ++polls == 50; }, [] {}), 5);
}

TEST_F(Intro, KeyPressEndsAfterTheCurrentFrameIsShown)
{
    int polls = 0, swaps = 0;
    const int frames = run_intro_loop([] { return 1.0; }, [&] { return ++polls == 3; }, [&] { ++swaps; });
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(swaps, 3);
    EXPECT_EQ(glrec::batches_of(GL_QUADS).size(), 21u);
}

// The live poll under SDL's offscreen driver: only SDL_KEYDOWN counts, every
// pending event is consumed.
TEST(IntroEvents, OnlyKeyDownEndsTheIntroAndAllEventsAreConsumed)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    auto push = [](Uint8 type) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_KEYDOWN || type == SDL_KEYUP) e.key.keysym.sym = SDLK_SPACE;
        return SDL_PushEvent(&e);
    };
    SDL_Event drain;
    while (SDL_PollEvent(&drain)) {}
    for (Uint8 type : {SDL_MOUSEMOTION, SDL_KEYUP, SDL_ACTIVEEVENT, SDL_QUIT, SDL_VIDEOEXPOSE})
        ASSERT_EQ(push(type), 0);
    EXPECT_FALSE(poll_key_press());

    ASSERT_EQ(push(SDL_MOUSEMOTION), 0);
    ASSERT_EQ(push(SDL_KEYDOWN), 0);
    ASSERT_EQ(push(SDL_KEYUP), 0);
    EXPECT_TRUE(poll_key_press());
    EXPECT_EQ(SDL_PollEvent(&drain), 0);  // nothing left behind for the main loop
    EXPECT_FALSE(poll_key_press());
    SDL_Quit();
}

}  // namespace
