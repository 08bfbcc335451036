// The live demo's frame-time log: with DRENSOLK_FRAME_LOG=FILE the demo keeps
// one record per shown frame in memory and writes them as tab-separated lines
// under a header when its frame loop ends (at the end position or after a key
// press), so the loop itself does no file I/O. drensolk-bench --live-log FILE
// summarises such a file.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "core/frame_loop.h"

// The header line; every later line holds these six fields of one frame:
// the frame time t in seconds since SDL started (as the layers saw it), the
// order and row it read, and draw, swap and whole-pass times in milliseconds.
constexpr const char kFrameLogHeader[] = "t_s\torder\trow\tdraw_ms\tswap_ms\tframe_ms";

// Room for about four minutes at 250 frames a second before the buffer grows.
constexpr size_t kFrameLogReserve = 1 << 16;

struct FrameLog {
    std::FILE* file = nullptr;  // null: no log
    std::string path;
    std::vector<ShownFrame> frames;
};

// Opens `path` for writing (the file is created or truncated now, so a bad
// name shows before the music starts). A null or empty path gives no log and
// prints nothing; a file that cannot be opened gives no log and one line on
// standard error naming the file and the reason. True when logging.
bool frame_log_open(const char* path, FrameLog* log);

// Once the frame loop runs with a log, SIGINT and SIGTERM end the loop after
// the frame in progress (as a key press does), so a run that misses its end
// position can still be stopped with its log; a second signal ends the
// process as usual.
void frame_log_catch_signals();
bool frame_log_signal_seen();

// One line without its newline, e.g. "12.345\t4\t17\t2.104\t1.380\t3.601".
std::string frame_log_line(const ShownFrame& frame);

// Writes the header and every frame kept, then closes the file. Does nothing
// without a file (true). False (with one line on standard error) when
// writing fails.
bool frame_log_write(FrameLog* log);
