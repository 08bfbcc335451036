#include "core/frame_log.h"

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

volatile std::sig_atomic_t signal_seen = 0;

void on_signal(int) { signal_seen = 1; }

}  // namespace

bool frame_log_open(const char* path, FrameLog* log)
{
    *log = FrameLog{};
    if (!path || !*path) return false;
    log->file = std::fopen(path, "w");
    if (!log->file) {
        std::fprintf(stderr, "drensolk: cannot write the frame log '%s': %s; running without it\n", path,
                     std::strerror(errno));
        return false;
    }
    log->path = path;
    log->frames.reserve(kFrameLogReserve);
    return true;
}

void frame_log_catch_signals()
{
#ifdef _WIN32
    // Windows' signal() already puts the default back once a handler has run.
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
#else
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the second signal is the default one again
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool frame_log_signal_seen() { return signal_seen != 0; }

std::string frame_log_line(const ShownFrame& f)
{
    char line[128];
    std::snprintf(line, sizeof line, "%.3f\t%d\t%d\t%.3f\t%.3f\t%.3f", static_cast<double>(f.t), f.order, f.row,
                  f.draw_ms, f.swap_ms, f.frame_ms);
    return line;
}

bool frame_log_write(FrameLog* log)
{
    if (!log->file) return true;
    bool ok = std::fprintf(log->file, "%s\n", kFrameLogHeader) > 0;
    for (const ShownFrame& f : log->frames) ok = ok && std::fprintf(log->file, "%s\n", frame_log_line(f).c_str()) > 0;
    ok = std::fclose(log->file) == 0 && ok;
    log->file = nullptr;
    if (!ok) std::fprintf(stderr, "drensolk: writing the frame log '%s' failed\n", log->path.c_str());
    return ok;
}
