// The capture's command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "capture/ffmpeg_pipe.h"
#include "cli/option_parser.h"

struct CaptureOptions {
    int fps = 60;
    int width = 640;
    int height = 480;
    int start_order = -1;       // -1: no --start-order, the music starts at its first order
    int64_t max_frames = -1;    // from --frames or --seconds; -1: to the demo's end
    std::string out;            // the MP4 (empty: "drensolk.mp4")
    std::string png_dir;        // numbered PNG frames and a WAV instead of the MP4
    std::string contact_sheet;  // PNG of one frame per order; empty: none
    int tile_width = 160;       // contact sheet tiles at most this wide
    std::string events;         // TSV of every row and trigger heard; empty: none
    std::string data_dir;       // empty: the working directory
    bool no_video = false;      // render (for the contact sheet, the events) but write no frames
    VideoCodec video;           // the MP4's video encoder; --crf/--preset only with libx264/libx265
};

// Reads the command line (parse_options: its forms and messages). On Error,
// `error` holds one line saying what is wrong; on Help the caller prints
// capture_usage(). The encoder name is only checked for its form here: whether
// ffmpeg has it is check_encoder's business. --data-dir is a second spelling
// of --data.
ParseStatus parse_capture_options(int argc, char** argv, CaptureOptions* options, std::string* error);

const char* capture_usage();

// Whether `encoder` is among `available` (ffmpeg_video_encoders); "" when it
// is or when the list is empty (nothing known to check against), else the
// one-line refusal.
std::string check_encoder(const std::string& encoder, const std::vector<std::string>& available);

// Limits the parser enforces.
constexpr int kCaptureMaxFps = 240;
constexpr int kCaptureMinSide = 16;
constexpr int kCaptureMaxSide = 4096;
