// A private X server (Xvfb) for tests that need a real one: no window
// manager, a black root window, stopped by its pid when the object goes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/run_process.h"

class XServer {
public:
    // Starts Xvfb on the first free display with one width x height x 24
    // screen and waits until it takes connections (up to 10 s). On failure
    // display() is empty and error() says why (no Xvfb installed, it exited,
    // it never became ready).
    XServer(int width, int height);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& display() const { return display_; }  // ":N"
    const std::string& error() const { return error_; }

private:
    BackgroundProcess process_;
    std::string display_, error_;
};

// The whole screen, top row first, 8-bit R, G, B per pixel.
struct ScreenShot {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Parses what `xwd -root` wrote of a 24-bit TrueColor or DirectColor screen
// (3 or 4 bytes a pixel, either byte order). False, with `error` set, for
// anything else or a file shorter than its header says.
bool parse_xwd(const std::string& bytes, ScreenShot* shot, std::string* error);

// xwd -root of `display`. False, with `error` set, when xwd fails.
bool grab_screen(const std::string& display, ScreenShot* shot, std::string* error);
