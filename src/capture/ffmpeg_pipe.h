// ffmpeg as a child process: raw RGB frames down a pipe into an H.264 file,
// then a second run that adds the WAV as AAC. Two steps, because one ffmpeg
// reading video from a pipe and audio from a second pipe can stall on
// whichever input we are not feeding at the moment.
#pragma once
#include <sys/types.h>

#include <string>

#include "core/frame_image.h"

struct FfmpegPipe {
    pid_t pid;  // 0: not running
    int fd;     // the write end of its stdin; -1 when closed
};

// The ffmpeg on PATH, or "" when there is none.
std::string find_ffmpeg();

// Starts ffmpeg encoding width x height RGB frames at `fps` into `video_path`
// (H.264, yuv420p, no audio). False when it cannot be started.
bool ffmpeg_video_open(FfmpegPipe* pipe, const std::string& ffmpeg, const std::string& video_path, int width,
                       int height, int fps);
// One frame, top-down rows; false once ffmpeg has stopped reading.
bool ffmpeg_video_write(FfmpegPipe* pipe, const RgbImage& frame);
// Ends the input and waits; true when ffmpeg finished without error.
bool ffmpeg_video_close(FfmpegPipe* pipe);

// Copies the video stream of `video_path` and encodes `wav_path` as AAC into
// `out_path` (MP4). True when ffmpeg succeeded.
bool ffmpeg_mux(const std::string& ffmpeg, const std::string& video_path, const std::string& wav_path,
                const std::string& out_path);
