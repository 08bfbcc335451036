// The desktop servers people run the demo on, started privately for tests:
// Weston (headless, or on an X server for a seat), XWayland through it, and
// PipeWire with its PulseAudio replacement. Each gets a runtime folder of its
// own (mode 0700, removed when it goes) and runs in a session of its own, so
// everything it starts is stopped with it, failure or not.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/run_process.h"

// mkdtemp under /tmp, mode 0700; removed with everything in it.
class RuntimeDir {
public:
    explicit RuntimeDir(const std::string& tag);
    ~RuntimeDir();
    RuntimeDir(const RuntimeDir&) = delete;
    RuntimeDir& operator=(const RuntimeDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A program in a new session (setsid): stop() sends SIGTERM to the whole
// session's group, SIGKILL after three seconds.
class ServerGroup {
public:
    ServerGroup(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                const std::filesystem::path& log);
    ~ServerGroup() { stop(); }
    ServerGroup(const ServerGroup&) = delete;
    ServerGroup& operator=(const ServerGroup&) = delete;
    bool running();
    void stop();

private:
    BackgroundProcess process_;
    pid_t group_ = -1;
};

// Weston with its XWayland. `backend_args` pick the backend, e.g.
// {"--backend=headless-backend.so", "--use-pixman"}; `env` adds to ours
// (DISPLAY for the X11 backend). Ready when its socket exists and it says
// which X display XWayland listens on (up to 20 s); else error() says why.
class Weston {
public:
    Weston(const std::vector<std::string>& backend_args, const std::vector<std::string>& env);
    const std::string& error() const { return error_; }
    const std::string& x_display() const { return x_display_; }  // ":N", XWayland's
    // XDG_RUNTIME_DIR and WAYLAND_DISPLAY for a client.
    std::vector<std::string> client_env() const;
    std::string log() const;

private:
    RuntimeDir dir_{"drensolk-weston"};
    std::unique_ptr<ServerGroup> server_;
    std::string x_display_, error_;
};

// PipeWire, WirePlumber and pipewire-pulse in one dbus-run-session, with a
// null sink "test" at `rate` made the default. Ready when pactl reaches it
// (up to 20 s); else error() says why.
class PipeWire {
public:
    explicit PipeWire(int rate);
    const std::string& error() const { return error_; }
    std::vector<std::string> client_env() const;  // XDG_RUNTIME_DIR, HOME, PULSE_SERVER
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::string log() const;
    bool running() { return server_ && server_->running(); }

private:
    RuntimeDir dir_{"drensolk-pipewire"};
    std::unique_ptr<ServerGroup> server_;
    std::string error_;
};

// Polls `ok` every 50 ms for up to `seconds`.
bool wait_for(double seconds, const std::function<bool()>& ok);
