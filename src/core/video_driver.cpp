#include "core/video_driver.h"

#ifdef DRENSOLK_HAVE_WAYLAND
#include <wayland-client.h>
#endif

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

bool names_wayland(const char* driver)
{
    // SDL takes a comma-separated list and tries it in order.
    const char* comma = std::strchr(driver, ',');
    const size_t first = comma ? size_t(comma - driver) : std::strlen(driver);
    if (first != 7) return false;
    for (size_t i = 0; i < 7; ++i)
        if (std::tolower(static_cast<unsigned char>(driver[i])) != "wayland"[i]) return false;
    return true;
}

const char* const kNoSeat =
    "Couldn't start video: the Wayland compositor offers no seat (keyboard or pointer), which SDL's Wayland "
    "driver needs; run the demo in a desktop session, or on X (XWayland) with SDL_VIDEODRIVER=x11 and DISPLAY set";

#ifdef DRENSOLK_HAVE_WAYLAND
void on_global(void* data, wl_registry*, uint32_t, const char* interface, uint32_t)
{
    if (std::strcmp(interface, wl_seat_interface.name) == 0) *static_cast<bool*>(data) = true;
}

void on_global_remove(void*, wl_registry*, uint32_t) {}
#endif

}  // namespace

VideoChoice choose_video_driver(const char* sdl_driver, bool x_display, WaylandSeat seat)
{
    VideoChoice c;
    const bool named = sdl_driver && *sdl_driver;
    if (named && !names_wayland(sdl_driver)) return c;  // SDL goes where it is told
    if (!named && x_display) {
        c.use_x11 = true;
        return c;
    }
    if (seat != WaylandSeat::Missing) return c;
    if (x_display) {
        c.use_x11 = true;  // the X server the compositor runs (XWayland)
    } else {
        c.error = kNoSeat;
    }
    return c;
}

WaylandSeat probe_wayland_seat()
{
#ifndef DRENSOLK_HAVE_WAYLAND
    return WaylandSeat::NoCompositor;
#else
    if (std::getenv("WAYLAND_SOCKET")) return WaylandSeat::NoCompositor;
    // Without a runtime folder (and no absolute socket path) there is no
    // socket to reach, and libwayland would say so on standard error.
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!std::getenv("XDG_RUNTIME_DIR") && !(name && name[0] == '/')) return WaylandSeat::NoCompositor;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return WaylandSeat::NoCompositor;
    bool seat = false;
    static const wl_registry_listener listener = {on_global, on_global_remove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &seat);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered) return WaylandSeat::NoCompositor;
    return seat ? WaylandSeat::Present : WaylandSeat::Missing;
#endif
}

std::string prepare_video_driver()
{
#ifndef DRENSOLK_HAVE_WAYLAND
    return {};  // no Wayland where libwayland is not
#else
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const char* display = std::getenv("DISPLAY");
    const bool x_display = display && *display;
    const bool named = driver && *driver;
    if (named && !names_wayland(driver)) return {};
    // Asked only where SDL could end up on Wayland.
    const WaylandSeat seat = (!named && x_display) ? WaylandSeat::NoCompositor : probe_wayland_seat();
    const VideoChoice c = choose_video_driver(driver, x_display, seat);
    if (c.use_x11) setenv("SDL_VIDEODRIVER", "x11", 1);
    return c.error;
#endif
}
