// Which video driver start-up lets SDL try: a seatless Wayland compositor
// must never reach SDL's Wayland driver.
#include "core/video_driver.h"

#include <gtest/gtest.h>

#include <initializer_list>

TEST(VideoDriver, ANamedDriverOtherThanWaylandIsLeftAlone)
{
    for (const char* driver : {"x11", "offscreen", "dummy", "x11,wayland"}) {
        const VideoChoice c = choose_video_driver(driver, false, WaylandSeat::Missing);
        EXPECT_FALSE(c.use_x11) << driver;
        EXPECT_EQ(c.error, "") << driver;
    }
}

TEST(VideoDriver, WaylandWithASeatIsKept)
{
    for (const char* driver : std::initializer_list<const char*>{"wayland", "Wayland", "wayland,x11", nullptr, ""}) {
        const VideoChoice c = choose_video_driver(driver, false, WaylandSeat::Present);
        EXPECT_FALSE(c.use_x11) << (driver ? driver : "(unset)");
        EXPECT_EQ(c.error, "") << (driver ? driver : "(unset)");
    }
}

TEST(VideoDriver, ASeatlessCompositorFallsBackToXOrFailsWithAMessage)
{
    for (const char* driver : std::initializer_list<const char*>{"wayland", nullptr}) {
        const VideoChoice with_x = choose_video_driver(driver, true, WaylandSeat::Missing);
        EXPECT_TRUE(with_x.use_x11);
        EXPECT_EQ(with_x.error, "");
        const VideoChoice without_x = choose_video_driver(driver, false, WaylandSeat::Missing);
        EXPECT_FALSE(without_x.use_x11);
        EXPECT_NE(without_x.error.find("no seat"), std::string::npos) << without_x.error;
        EXPECT_NE(without_x.error.find("SDL_VIDEODRIVER=x11"), std::string::npos) << without_x.error;
    }
}

TEST(VideoDriver, NoDriverNamedWithAnXDisplayIsX)
{
    // What SDL would pick anyway; made explicit so a refusing X server cannot
    // hand over to Wayland.
    EXPECT_TRUE(choose_video_driver(nullptr, true, WaylandSeat::NoCompositor).use_x11);
    EXPECT_FALSE(choose_video_driver(nullptr, false, WaylandSeat::NoCompositor).use_x11);
    EXPECT_EQ(choose_video_driver(nullptr, false, WaylandSeat::NoCompositor).error, "");
}
