#include "capture/progress.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::string minutes(double seconds)
{
    const long s = std::lround(std::max(seconds, 0.0));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

void print(Progress* p, int64_t done, int64_t total, bool last)
{
    const std::string line = progress_text(done, total, now() - p->started);
    if (p->tty) {
        std::fprintf(stderr, "\r%s\033[K%s", line.c_str(), last ? "\n" : "");
        p->printed = !last;
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fflush(stderr);
    p->last_print = now();
}

}  // namespace

std::string progress_text(int64_t done, int64_t total, double elapsed)
{
    const double fps = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
    char buf[128];
    if (total > 0) {
        const double left = fps > 0 ? static_cast<double>(std::max<int64_t>(total - done, 0)) / fps : 0.0;
        std::snprintf(buf, sizeof buf, "%6lld/%lld frames %3d%%  %6.1f fps  %s left", static_cast<long long>(done),
                      static_cast<long long>(total), static_cast<int>(100 * done / total), fps,
                      fps > 0 ? minutes(left).c_str() : "?");
    } else {
        std::snprintf(buf, sizeof buf, "%6lld frames  %6.1f fps", static_cast<long long>(done), fps);
    }
    return buf;
}

void progress_start(Progress* p)
{
    p->started = now();
    p->last_print = p->started;
    p->tty = isatty(2);
    p->printed = false;
}

void progress_update(Progress* p, int64_t done, int64_t total)
{
    const double interval = p->tty ? 0.25 : 10.0;
    if (now() - p->last_print >= interval) print(p, done, total, false);
}

void progress_finish(Progress* p, int64_t done, int64_t total) { print(p, done, total, true); }

double progress_elapsed(const Progress* p) { return now() - p->started; }
