#include "capture/ffmpeg_pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

extern char** environ;

namespace {

// Spawns argv[0] (looked up on PATH) with `stdin_fd` as its standard input
// (-1: /dev/null) and `stdout_fd` as its standard output (-1: inherit; given,
// its standard error goes to /dev/null). Returns the pid, or 0.
pid_t spawn(const std::vector<std::string>& args, int stdin_fd, int close_fd, int stdout_fd = -1)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdin_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdin_fd, 0);
        posix_spawn_file_actions_addclose(&actions, stdin_fd);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    if (stdout_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdout_fd, 1);
        posix_spawn_file_actions_addclose(&actions, stdout_fd);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    if (close_fd >= 0) posix_spawn_file_actions_addclose(&actions, close_fd);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

bool wait_ok(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool is_executable(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

const char* const kX264Presets[10] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                      "medium",    "slow",      "slower",   "veryslow", "placebo"};

bool encoder_takes_crf(const std::string& encoder) { return encoder == "libx264" || encoder == "libx265"; }

std::string find_ffmpeg()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/ffmpeg";
        if (is_executable(candidate)) return candidate;
        start = end + 1;
    }
    return "";
}

std::vector<std::string> parse_video_encoders(const std::string& listing)
{
    std::vector<std::string> names;
    std::istringstream in(listing);
    std::string line;
    bool in_list = false;  // the flag legend above the rule also starts with " V"
    while (std::getline(in, line)) {
        if (!in_list) {
            in_list = line.rfind(" ------", 0) == 0;
            continue;
        }
        std::istringstream fields(line);
        std::string flags, name;
        if (fields >> flags >> name && flags.size() == 6 && flags[0] == 'V') names.push_back(name);
    }
    return names;
}

std::vector<std::string> ffmpeg_video_encoders(const std::string& ffmpeg)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    const pid_t pid = spawn({ffmpeg, "-hide_banner", "-encoders"}, -1, fds[0], fds[1]);
    close(fds[1]);
    std::string listing;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        listing.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (!pid || !wait_ok(pid)) return {};
    return parse_video_encoders(listing);
}

std::vector<std::string> ffmpeg_video_args(const std::string& ffmpeg, const std::string& video_path, int width,
                                           int height, int fps, const VideoCodec& codec)
{
    std::vector<std::string> args = {
        ffmpeg,
        "-hide_banner",
        "-loglevel",
        "error",
        "-nostats",
        "-y",
        "-f",
        "rawvideo",
        "-pixel_format",
        "rgb24",
        "-video_size",
        std::to_string(width) + "x" + std::to_string(height),
        "-framerate",
        std::to_string(fps),
        "-i",
        "pipe:0",
        "-an",
        "-c:v",
        codec.encoder,
    };
    if (encoder_takes_crf(codec.encoder))
        args.insert(args.end(), {"-preset", codec.preset, "-crf", std::to_string(codec.crf)});
    // x265 prints its settings on the standard error stream unless told not to;
    // hvc1 is the tag players outside ffmpeg expect for HEVC in MP4.
    if (codec.encoder == "libx265") args.insert(args.end(), {"-x265-params", "log-level=error", "-tag:v", "hvc1"});
    // Any encoder: 4:2:0 plays everywhere; ffmpeg picks the nearest format an
    // encoder takes when it has no 4:2:0.
    args.insert(args.end(), {"-pix_fmt", "yuv420p", "-f", "mp4", video_path});
    return args;
}

bool ffmpeg_video_open(FfmpegPipe* p, const std::string& ffmpeg, const std::string& video_path, int width, int height,
                       int fps, const VideoCodec& codec)
{
    *p = FfmpegPipe{0, -1};
    // A dead ffmpeg must show up as a failed write, not kill the capture.
    signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    p->pid = spawn(ffmpeg_video_args(ffmpeg, video_path, width, height, fps, codec), fds[0], fds[1]);
    close(fds[0]);
    if (!p->pid) {
        close(fds[1]);
        return false;
    }
    p->fd = fds[1];
    return true;
}

bool ffmpeg_video_write(FfmpegPipe* p, const RgbImage& frame)
{
    if (p->fd < 0) return false;
    const uint8_t* data = frame.pixels.data();
    size_t left = frame.pixels.size();
    while (left > 0) {
        const ssize_t n = write(p->fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool ffmpeg_video_close(FfmpegPipe* p)
{
    if (p->fd >= 0) close(p->fd);
    p->fd = -1;
    if (!p->pid) return false;
    const bool ok = wait_ok(p->pid);
    p->pid = 0;
    return ok;
}

bool ffmpeg_mux(const std::string& ffmpeg, const std::string& video_path, const std::string& wav_path,
                const std::string& out_path)
{
    const std::vector<std::string> args = {
        ffmpeg,   "-hide_banner", "-loglevel", "error",      "-nostats", "-y",   "-i",     video_path, "-i",
        wav_path, "-map",         "0:v:0",     "-map",       "1:a:0",    "-c:v", "copy",   "-c:a",     "aac",
        "-b:a",   "192k",         "-movflags", "+faststart", "-f",       "mp4",  out_path,
    };
    const pid_t pid = spawn(args, -1, -1);
    return pid && wait_ok(pid);
}
