// Which SDL video driver the demo may start, decided before SDL's video is
// initialised.
//
// SDL 2.26 (under sdl12-compat) dereferences a null seat in its Wayland
// video start-up when the compositor offers no wl_seat (Weston's headless
// backend, a kiosk without input devices): the process dies with SIGSEGV
// inside SDL_Init. So the Wayland display is asked for a seat first, and a
// seatless one is avoided: X (XWayland) where there is an X display, else a
// start-up failure with a message.
#pragma once
#include <string>

enum class WaylandSeat {
    NoCompositor,  // no Wayland display could be reached
    Present,
    Missing,
};

struct VideoChoice {
    bool use_x11 = false;  // set SDL_VIDEODRIVER=x11 before SDL_Init
    std::string error;     // non-empty: do not start SDL's video, print this
};

// Pure decision. `sdl_driver`: SDL_VIDEODRIVER as set (null or empty when
// not); `x_display`: DISPLAY is set. SDL 2.26 tries X11 before Wayland when
// no driver is named, so an unnamed driver with an X display is already X
// and only made explicit here (an X server that refuses then fails the
// video mode, not SDL's start-up).
VideoChoice choose_video_driver(const char* sdl_driver, bool x_display, WaylandSeat seat);

// Connects to the Wayland display SDL would (WAYLAND_DISPLAY, else
// wayland-0) and lists its globals once. NoCompositor when the connection
// fails, when there is no XDG_RUNTIME_DIR to find the socket in, or when
// WAYLAND_SOCKET is set (that descriptor can be taken only once, and it is
// SDL's).
WaylandSeat probe_wayland_seat();

// probe_wayland_seat and choose_video_driver for this process's
// environment; applies the X choice with setenv. Returns the error to
// report, empty when SDL's video may start. Only asks the compositor when
// SDL could reach Wayland (no driver named, or "wayland" named). Built
// without libwayland (not Linux) it does nothing.
std::string prepare_video_driver();
