// drensolk-bench --live-log FILE: the summary of a frame log that the live
// demo wrote with DRENSOLK_FRAME_LOG=FILE (core/frame_log.h). A frame's time
// is its whole pass through the loop (the frame_ms column), which is what the
// viewer waits between two pictures.
#pragma once
#include <cstdio>
#include <istream>
#include <string>
#include <vector>

constexpr double kFrameBudget60HzMs = 16.7;
constexpr double kFrameBudget144HzMs = 6.9;

struct LoggedFrame {
    double t = 0;
    int order = 0, row = 0;
    double draw_ms = 0, swap_ms = 0, frame_ms = 0;
};

// Reads a whole log: the header line, then six tab-separated fields a line
// (an empty last line is allowed). False with one line in `error` (naming the
// line number) on a wrong header, a short or non-numeric line, or a negative
// time; `frames` then holds the lines read before it.
bool read_frame_log(std::istream& in, std::vector<LoggedFrame>* frames, std::string* error);

// The frames of one order, or of the whole log.
struct FrameTimes {
    int order = -1;  // -1 for the whole log
    int frames = 0;
    double median_ms = 0, p99_ms = 0, worst_ms = 0;
    double first_ms = 0;  // the first frame that read this order (for the whole log, the log's first frame)
    int over_60hz = 0;    // frames longer than 16.7 ms
    int over_144hz = 0;   // frames longer than 6.9 ms
};

struct LiveLogSummary {
    std::vector<FrameTimes> orders;  // every order that appears, ascending
    FrameTimes whole;                // every frame of the log, the music's first frame to the end
    double first_t = 0, last_t = 0;  // frame times of the log's first and last lines
};

LiveLogSummary summarise_frame_log(const std::vector<LoggedFrame>& frames);

void print_live_log_summary(std::FILE* out, const std::string& name, const LiveLogSummary& summary);
