// The progress line on stderr: frames done of the expected total, render
// speed, time left. Wall time here only paces the printing; it never reaches
// a frame.
#pragma once
#include <cstdint>
#include <string>

struct Progress {
    double started;  // seconds, steady clock
    double last_print;
    bool tty;      // rewrite one line with \r; otherwise a line now and then
    bool printed;  // a \r line is open
};

// "  1234/5400 frames  22%   41.3 fps  1:41 left"; total <= 0 leaves out the
// share and the time left.
std::string progress_text(int64_t done, int64_t total, double elapsed_seconds);

void progress_start(Progress* progress);
// Prints when enough wall time has passed since the last line.
void progress_update(Progress* progress, int64_t done, int64_t total);
// The final line, always printed, ending the \r line.
void progress_finish(Progress* progress, int64_t done, int64_t total);
double progress_elapsed(const Progress* progress);
