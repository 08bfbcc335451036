// Every test program runs headless unless told otherwise: real OpenGL through
// the offscreen video driver, audio to a device that plays nowhere.
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Sets `name` unless the environment already has it.
void default_env(const char* name, const char* value)
{
#ifdef _WIN32
    if (!std::getenv(name)) _putenv_s(name, value);  // Windows' C library has no setenv
#else
    setenv(name, value, 0);
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    default_env("SDL_VIDEODRIVER", "offscreen");
    default_env("SDL_AUDIODRIVER", "dummy");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
