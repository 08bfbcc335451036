#pragma once
#include <optional>

// The demo: opens the display, plays the intro, loads the pictures, starts the
// music and runs the frame loop. Returns 0 (also when the video mode is
// refused); other start-up failures print one line and exit with status 1.
// With DRENSOLK_FRAME_LOG=FILE it also writes the frame-time log (frame_log.h).
int demo_main(int argc, char** argv);

// The order the music starts at when exactly one argument is given: its
// integer value as atoi reads it (text gives 0), clamped to int where atoi
// would overflow. None for no argument or for more than one.
std::optional<int> start_order_from_args(int argc, char** argv);
