#include "bench/live_log.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "core/frame_log.h"
#include "core/music/percentile.h"

namespace {

bool read_number(const std::string& field, double* value)
{
    char* end = nullptr;
    *value = std::strtod(field.c_str(), &end);
    return !field.empty() && *end == '\0';
}

bool read_int(const std::string& field, int* value)
{
    char* end = nullptr;
    const long v = std::strtol(field.c_str(), &end, 10);
    if (field.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
    *value = static_cast<int>(v);
    return true;
}

bool parse_line(const std::string& line, LoggedFrame* f)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (fields.size() != 6) return false;
    return read_number(fields[0], &f->t) && read_int(fields[1], &f->order) && read_int(fields[2], &f->row) &&
           read_number(fields[3], &f->draw_ms) && read_number(fields[4], &f->swap_ms) &&
           read_number(fields[5], &f->frame_ms) && f->draw_ms >= 0 && f->swap_ms >= 0 && f->frame_ms >= 0;
}

FrameTimes times_of(int order, const std::vector<double>& ms)
{
    FrameTimes t;
    t.order = order;
    t.frames = static_cast<int>(ms.size());
    if (ms.empty()) return t;
    t.median_ms = percentile(ms, 50);
    t.p99_ms = percentile(ms, 99);
    t.worst_ms = *std::max_element(ms.begin(), ms.end());
    t.first_ms = ms.front();
    for (double m : ms) {
        t.over_60hz += m > kFrameBudget60HzMs;
        t.over_144hz += m > kFrameBudget144HzMs;
    }
    return t;
}

void print_times(std::FILE* out, const char* label, const FrameTimes& t)
{
    std::fprintf(out, "%5s %7d %10.2f %7.2f %9.2f %9.2f %13d %12d\n", label, t.frames, t.median_ms, t.p99_ms,
                 t.worst_ms, t.first_ms, t.over_60hz, t.over_144hz);
}

}  // namespace

bool read_frame_log(std::istream& in, std::vector<LoggedFrame>* frames, std::string* error)
{
    frames->clear();
    std::string line;
    if (!std::getline(in, line) || line != kFrameLogHeader) {
        *error = "line 1: not a frame log header (wanted the columns t_s, order, row, draw_ms, swap_ms, frame_ms)";
        return false;
    }
    for (int number = 2; std::getline(in, line); ++number) {
        LoggedFrame f;
        if (!parse_line(line, &f)) {
            if (line.empty() && in.peek() == std::char_traits<char>::eof()) break;
            *error = "line " + std::to_string(number) + ": wanted six tab-separated numbers, times not negative";
            return false;
        }
        frames->push_back(f);
    }
    return true;
}

LiveLogSummary summarise_frame_log(const std::vector<LoggedFrame>& frames)
{
    LiveLogSummary s;
    std::map<int, std::vector<double>> by_order;
    std::vector<double> all;
    for (const LoggedFrame& f : frames) {
        by_order[f.order].push_back(f.frame_ms);
        all.push_back(f.frame_ms);
    }
    for (const auto& [order, ms] : by_order) s.orders.push_back(times_of(order, ms));
    s.whole = times_of(-1, all);
    if (!frames.empty()) {
        s.first_t = frames.front().t;
        s.last_t = frames.back().t;
    }
    return s;
}

void print_live_log_summary(std::FILE* out, const std::string& name, const LiveLogSummary& s)
{
    std::fprintf(out, "frame log %s: %d frames, t %.2f to %.2f s; frame = one pass of the loop\n", name.c_str(),
                 s.whole.frames, s.first_t, s.last_t);
    std::fprintf(out, "order  frames  median ms  p99 ms  worst ms  first ms  over 16.7 ms  over 6.9 ms\n");
    for (const FrameTimes& t : s.orders) print_times(out, std::to_string(t.order).c_str(), t);
    print_times(out, "all", s.whole);
}
