// ffmpeg as a child process: raw RGB frames down a pipe into an H.264 file,
// then a second run that adds the WAV as AAC. Two steps, because one ffmpeg
// reading video from a pipe and audio from a second pipe can stall on
// whichever input we are not feeding at the moment.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "core/frame_image.h"

struct FfmpegPipe {
    pid_t pid;  // 0: not running
    int fd;     // the write end of its stdin; -1 when closed
};

// The video encoder and its settings. `crf` and `preset` reach only the
// encoders that take them (encoder_takes_crf); any other encoder runs at its
// own defaults.
struct VideoCodec {
    std::string encoder = "libx264";
    int crf = 20;                   // 0 (lossless) to 51; 20 keeps the thin lines and stipples clean
    std::string preset = "medium";  // one of kX264Presets
};

constexpr int kMaxCrf = 51;
// x264's presets, fastest first; x265 takes the same names.
extern const char* const kX264Presets[10];

// libx264 and libx265: the encoders that take --crf and --preset.
bool encoder_takes_crf(const std::string& encoder);

// The ffmpeg on PATH, or "" when there is none.
std::string find_ffmpeg();

// The names of the video encoders in the output of `ffmpeg -encoders` (the
// lines after the " ------" rule whose flags start with V); empty when the
// text has no such list.
std::vector<std::string> parse_video_encoders(const std::string& listing);
// Runs `ffmpeg -hide_banner -encoders` and parses it; empty when it cannot be
// run or lists nothing.
std::vector<std::string> ffmpeg_video_encoders(const std::string& ffmpeg);

// The command line that reads width x height RGB frames at `fps` from its
// standard input and encodes them with `codec` (yuv420p, no audio) into the
// MP4 `video_path`.
std::vector<std::string> ffmpeg_video_args(const std::string& ffmpeg, const std::string& video_path, int width,
                                           int height, int fps, const VideoCodec& codec);
// Starts ffmpeg with ffmpeg_video_args. False when it cannot be started.
bool ffmpeg_video_open(FfmpegPipe* pipe, const std::string& ffmpeg, const std::string& video_path, int width,
                       int height, int fps, const VideoCodec& codec);
// One frame, top-down rows; false once ffmpeg has stopped reading.
bool ffmpeg_video_write(FfmpegPipe* pipe, const RgbImage& frame);
// Ends the input and waits; true when ffmpeg finished without error.
bool ffmpeg_video_close(FfmpegPipe* pipe);

// Copies the video stream of `video_path` and encodes `wav_path` as AAC into
// `out_path` (MP4). True when ffmpeg succeeded.
bool ffmpeg_mux(const std::string& ffmpeg, const std::string& video_path, const std::string& wav_path,
                const std::string& out_path);
