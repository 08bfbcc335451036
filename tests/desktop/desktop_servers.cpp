#include "desktop/desktop_servers.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <regex>
#include <thread>

namespace fs = std::filesystem;

RuntimeDir::RuntimeDir(const std::string& tag)
{
    std::string tmpl = "/tmp/" + tag + "-XXXXXX";
    if (mkdtemp(tmpl.data())) {
        path_ = tmpl;
        chmod(tmpl.c_str(), 0700);  // PulseAudio and Weston refuse a folder others can read
    }
}

RuntimeDir::~RuntimeDir()
{
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
}

ServerGroup::ServerGroup(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& log)
{
    // The child is no group leader, so setsid(1) makes the session in place:
    // the pid stays the server's and names its group.
    std::vector<std::string> args = {"setsid"};
    args.insert(args.end(), argv.begin(), argv.end());
    process_ = start_process(args, "/", env, log.string());
    group_ = process_.pid;
}

bool ServerGroup::running()
{
    int status = 0;
    return !process_ended(&process_, &status);
}

void ServerGroup::stop()
{
    if (group_ <= 0) return;
    kill(-group_, SIGTERM);
    if (finish_process(&process_, 3) < 0) kill(-group_, SIGKILL);
    kill(-group_, SIGKILL);  // whatever of the session outlived its leader
    group_ = -1;
}

bool wait_for(double seconds, const std::function<bool()>& ok)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (ok()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ok();
}

Weston::Weston(const std::vector<std::string>& backend_args, const std::vector<std::string>& env)
{
    if (dir_.path().empty()) {
        error_ = "no runtime folder";
        return;
    }
    std::vector<std::string> argv = {"weston",     "--no-config",  "--socket=wl", "--idle-time=0",
                                     "--xwayland", "--width=1280", "--height=720"};
    argv.insert(argv.end(), backend_args.begin(), backend_args.end());
    std::vector<std::string> all_env = env;
    all_env.push_back("XDG_RUNTIME_DIR=" + dir_.path().string());
    server_ = std::make_unique<ServerGroup>(argv, all_env, dir_.path() / "weston.log");
    const std::regex listening("xserver listening on display (:[0-9]+)");
    const bool up = wait_for(20, [&] {
        std::smatch m;
        const std::string text = log();
        if (!fs::exists(dir_.path() / "wl") || !std::regex_search(text, m, listening)) return false;
        x_display_ = m[1];
        return true;
    });
    if (!up)
        error_ = std::string(server_->running() ? "Weston did not become ready in 20 s" : "Weston exited") +
                 " (weston and xwayland are installed by scripts/check.sh):\n" + log();
}

std::vector<std::string> Weston::client_env() const
{
    return {"XDG_RUNTIME_DIR=" + dir_.path().string(), "WAYLAND_DISPLAY=wl"};
}

std::string Weston::log() const { return read_text(dir_.path() / "weston.log"); }

PipeWire::PipeWire(int rate)
{
    if (dir().empty()) {
        error_ = "no runtime folder";
        return;
    }
    const std::vector<std::string> env = client_env();
    server_ = std::make_unique<ServerGroup>(
        std::vector<std::string>{"dbus-run-session", "--", "sh", "-c",
                                 "pipewire & sleep 0.5; wireplumber & pipewire-pulse & wait"},
        env, dir() / "pipewire.log");
    const bool up = wait_for(20, [&] { return run_process({"pactl", "info"}, "/", env, 5).status == 0; });
    if (!up) {
        error_ =
            "PipeWire did not start in 20 s (pipewire, wireplumber and pipewire-pulse are installed by "
            "scripts/check.sh):\n" +
            log();
        return;
    }
    const ProcessResult sink = run_process(
        {"pactl", "load-module", "module-null-sink", "sink_name=test", "rate=" + std::to_string(rate)}, "/", env, 5);
    const ProcessResult def = run_process({"pactl", "set-default-sink", "test"}, "/", env, 5);
    if (sink.status != 0 || def.status != 0) error_ = "the null sink could not be made: " + sink.err + def.err;
}

std::vector<std::string> PipeWire::client_env() const
{
    return {"XDG_RUNTIME_DIR=" + dir().string(), "HOME=" + dir().string(),
            "PULSE_SERVER=unix:" + (dir() / "pulse" / "native").string()};
}

std::string PipeWire::log() const { return read_text(dir() / "pipewire.log"); }
