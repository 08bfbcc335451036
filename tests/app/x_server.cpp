#include "app/x_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

XServer::XServer(int width, int height)
{
    // Xvfb picks a free display itself and writes its number to the pipe
    // once it takes connections: no guessing, no race with other servers.
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    process_ = start_process(
        {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-br", "-nocursor"},
        "/", {}, "");
    close(fds[1]);
    if (process_.pid < 0) {
        close(fds[0]);
        error_ = "could not start Xvfb";
        return;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        if (read(fds[0], &c, 1) != 1) break;  // closed: Xvfb exited (127: not installed)
        if (c == '\n') {
            display_ = ":" + number;
            break;
        }
        number += c;
    }
    close(fds[0]);
    if (display_.empty()) {
        int status = 0;
        error_ = process_ended(&process_, &status)
                     ? "Xvfb exited with status " + std::to_string(status) + " (127: not installed)"
                     : "Xvfb did not become ready in 10 s";
    }
}

XServer::~XServer()
{
    if (process_.pid > 0) {
        kill(process_.pid, SIGTERM);
        finish_process(&process_, 5);  // SIGKILL if it lingers
    }
}

namespace {
uint32_t be32(const std::string& b, size_t at)
{
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint32_t(uint8_t(b[at + 3]));
}
}  // namespace

bool parse_xwd(const std::string& bytes, ScreenShot* shot, std::string* error)
{
    // The header is 25 big-endian 32-bit fields, then the window name, then
    // ncolors 12-byte colour entries, then the pixels.
    if (bytes.size() < 100) {
        *error = "xwd output too short for its header";
        return false;
    }
    const uint32_t header_size = be32(bytes, 0), version = be32(bytes, 4), format = be32(bytes, 8);
    const uint32_t width = be32(bytes, 16), height = be32(bytes, 20), byte_order = be32(bytes, 28);
    const uint32_t bytes_per_line = be32(bytes, 48), visual_class = be32(bytes, 52);
    const uint32_t red_mask = be32(bytes, 56), green_mask = be32(bytes, 60), blue_mask = be32(bytes, 64);
    const uint32_t ncolors = be32(bytes, 76);
    // TrueColor (4), or DirectColor (5) when a window with such a visual is
    // on screen: xwd then composes the picture itself (and says 24 bits per
    // pixel while still storing 4 bytes). SDL leaves DirectColor ramps at
    // identity, so the pixel values are the colours either way.
    if (version != 7 || format != 2 || (visual_class != 4 && visual_class != 5) || red_mask != 0xff0000 ||
        green_mask != 0xff00 || blue_mask != 0xff) {
        *error = "not a ZPixmap xwd dump of a 24-bit TrueColor or DirectColor screen";
        return false;
    }
    if (width == 0 || height == 0 || width > 16384 || height > 16384) {
        *error = "xwd dump with an implausible size";
        return false;
    }
    const uint32_t stride = bytes_per_line / width;  // bytes per pixel as stored
    if (stride != 3 && stride != 4) {
        *error = "xwd dump with " + std::to_string(bytes_per_line) + " bytes per line of " + std::to_string(width);
        return false;
    }
    const size_t pixels = size_t(header_size) + size_t(ncolors) * 12;
    if (bytes.size() < pixels + size_t(bytes_per_line) * height) {
        *error = "xwd dump shorter than its pixels";
        return false;
    }
    shot->width = static_cast<int>(width);
    shot->height = static_cast<int>(height);
    shot->rgb.resize(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const size_t at = pixels + size_t(y) * bytes_per_line + size_t(x) * stride;
            const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
            // byte_order 0: least significant byte first (blue, green, red[, pad]).
            const uint32_t v = byte_order == 0 ? (p[0] | (p[1] << 8) | (p[2] << 16))
                                               : ((p[stride - 3] << 16) | (p[stride - 2] << 8) | p[stride - 1]);
            uint8_t* out = &shot->rgb[(size_t(y) * width + x) * 3];
            out[0] = uint8_t(v >> 16);
            out[1] = uint8_t(v >> 8);
            out[2] = uint8_t(v);
        }
    return true;
}

bool grab_screen(const std::string& display, ScreenShot* shot, std::string* error)
{
    const ProcessResult r = run_process({"xwd", "-root", "-silent", "-display", display}, "/", {}, 10);
    if (r.status != 0) {
        *error = "xwd failed (status " + std::to_string(r.status) + ", 127: not installed): " + r.err;
        return false;
    }
    return parse_xwd(r.out, shot, error);
}
