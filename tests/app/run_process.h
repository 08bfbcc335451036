// Runs a program to its end with a time limit, capturing both output streams.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1;         // exit status, or -1 when killed or not started
    bool timed_out = false;  // killed after the limit
    std::string out, err;
};

// argv[0] is the program: a path, or a name looked up in PATH; env entries
// are "NAME=value" added to ours.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& workdir,
                          const std::vector<std::string>& env, double limit_seconds);

// The whole file, or "" when it cannot be read (logs for failure messages).
std::string read_text(const std::filesystem::path& path);

// SDL's offscreen video and dummy audio: the demo with no display or sound card.
extern const std::vector<std::string> kHeadless;

// A fresh working folder `dir` holding the generated data files except
// `left_out`.
std::filesystem::path demo_data_copy(const std::filesystem::path& dir, const std::string& left_out = "");

// The demo binary run in `dir` with `args`, after `prefix` (a program that
// execs it, e.g. setpriv), with `env` added.
ProcessResult run_demo(const std::filesystem::path& dir, std::vector<std::string> args,
                       const std::vector<std::string>& env = kHeadless, double limit_seconds = 60,
                       const std::vector<std::string>& prefix = {});

// A program left running while the test does other things. Output goes to
// `log_path` (both streams; empty: /dev/null). pid is -1 when it could not
// be started.
struct BackgroundProcess {
    pid_t pid = -1;
};

BackgroundProcess start_process(const std::vector<std::string>& argv, const std::string& workdir,
                                const std::vector<std::string>& env, const std::string& log_path);

// Whether it has ended; if so, its exit status (-1 when killed by a signal).
bool process_ended(BackgroundProcess* p, int* status);

// Waits up to limit_seconds for it to end by itself, then kills it. Returns
// its exit status, or -1 when it had to be killed, was killed, or never ran.
int finish_process(BackgroundProcess* p, double limit_seconds);
