// Which modes the display asks for, in order: the desktop's size full screen,
// and the asked size where that is refused.
#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include "core/display.h"

namespace {

TEST(DisplaySizes, FullScreenTriesTheDesktopThenTheAskedSize)
{
    const DisplaySizes s = display_sizes(640, 480, true, 1920, 1080);
    ASSERT_EQ(s.count, 2);
    EXPECT_EQ(s.size[0].width, 1920);
    EXPECT_EQ(s.size[0].height, 1080);
    EXPECT_EQ(s.size[1].width, 640);
    EXPECT_EQ(s.size[1].height, 480);
}

TEST(DisplaySizes, OneModeWhenTheDesktopIsUnknownTheSameOrWindowed)
{
    struct Case {
        bool fullscreen;
        int desktop_width, desktop_height;
    };
    for (const Case& c :
         {Case{true, 0, 0}, Case{true, 1920, 0}, Case{true, -1, 768}, Case{true, 640, 480}, Case{false, 1920, 1080}}) {
        const DisplaySizes s = display_sizes(640, 480, c.fullscreen, c.desktop_width, c.desktop_height);
        ASSERT_EQ(s.count, 1) << c.fullscreen << " " << c.desktop_width << "x" << c.desktop_height;
        EXPECT_EQ(s.size[0].width, 640);
        EXPECT_EQ(s.size[0].height, 480);
    }
}

// A video start-up that failed leaves no display to open, and says so
// instead of crashing (classic SDL 1.2 does in its GL attribute calls).
TEST(OpenGlDisplay, RefusedWhenTheVideoDidNotStart)
{
    ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_EQ(open_gl_display(640, 480, false), nullptr);
    EXPECT_EQ(open_gl_display(640, 480, true), nullptr);
}

}  // namespace
