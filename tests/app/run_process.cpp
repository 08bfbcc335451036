#include "app/run_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/base/demo_data.h"

namespace {
std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// In the child: streams, folder and environment, then the program.
[[noreturn]] void exec_child(const std::vector<std::string>& argv, const std::string& workdir,
                             const std::vector<std::string>& env, int out_fd, int err_fd)
{
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    const int null_in = open("/dev/null", O_RDONLY);
    dup2(null_in, 0);
    if (chdir(workdir.c_str()) != 0) _exit(126);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}
}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& workdir,
                          const std::vector<std::string>& env, double limit_seconds)
{
    ProcessResult result;
    char out_path[] = "/tmp/drensolk-out-XXXXXX";
    char err_path[] = "/tmp/drensolk-err-XXXXXX";
    const int out_fd = mkstemp(out_path);
    const int err_fd = mkstemp(err_path);
    const pid_t pid = fork();
    if (pid == 0) exec_child(argv, workdir, env, out_fd, err_fd);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit_seconds);
    int wstatus = 0;
    while (waitpid(pid, &wstatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            result.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!result.timed_out && WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    close(out_fd);
    close(err_fd);
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    unlink(out_path);
    unlink(err_path);
    return result;
}

std::string read_text(const std::filesystem::path& path) { return slurp(path.string()); }

const std::vector<std::string> kHeadless = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

std::filesystem::path demo_data_copy(const std::filesystem::path& dir, const std::string& left_out)
{
    namespace fs = std::filesystem;
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : kDataFiles)
        if (left_out != f) fs::copy_file(fs::path(DRENSOLK_DATA_DIR) / f, dir / f);
    return dir;
}

ProcessResult run_demo(const std::filesystem::path& dir, std::vector<std::string> args,
                       const std::vector<std::string>& env, double limit_seconds,
                       const std::vector<std::string>& prefix)
{
    args.insert(args.begin(), (std::filesystem::path(DRENSOLK_BINARY_DIR) / "drensolk").string());
    args.insert(args.begin(), prefix.begin(), prefix.end());
    return run_process(args, dir.string(), env, limit_seconds);
}

BackgroundProcess start_process(const std::vector<std::string>& argv, const std::string& workdir,
                                const std::vector<std::string>& env, const std::string& log_path)
{
    BackgroundProcess p;
    const int log_fd = open(log_path.empty() ? "/dev/null" : log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log_fd < 0) return p;
    p.pid = fork();
    if (p.pid == 0) exec_child(argv, workdir, env, log_fd, log_fd);
    close(log_fd);
    return p;
}

bool process_ended(BackgroundProcess* p, int* status)
{
    if (p->pid <= 0) {
        *status = -1;
        return true;
    }
    int wstatus = 0;
    if (waitpid(p->pid, &wstatus, WNOHANG) == 0) return false;
    *status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    p->pid = -1;
    return true;
}

int finish_process(BackgroundProcess* p, double limit_seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit_seconds);
    int status = -1;
    while (!process_ended(p, &status)) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(p->pid, SIGKILL);
            waitpid(p->pid, nullptr, 0);
            p->pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status;
}
