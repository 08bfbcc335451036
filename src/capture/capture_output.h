// Where captured video frames and audio go: an MP4 through ffmpeg, or
// numbered PNG files with a WAV and a frame log, or nowhere (contact sheet
// only).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "capture/ffmpeg_pipe.h"
#include "capture/wav_writer.h"
#include "core/frame_image.h"

enum class OutputKind { None, Mp4, Png };

// What the frame log records about one video frame; order and row are -1 in the intro.
struct FrameInfo {
    int64_t index;
    double time;
    int64_t sample;  // first audio sample under the frame, counted from the capture's start
    int order, row;
};

struct CaptureOutput {
    OutputKind kind;
    std::string ffmpeg;
    std::string path;        // the MP4, or the PNG folder
    std::string video_part;  // MP4: the video before the audio is added
    std::string wav_path;
    FfmpegPipe pipe;
    WavWriter wav;
    std::FILE* log;     // PNG: frames.tsv
    int64_t frames;     // video frames written
    std::string error;  // set when something failed
};

bool output_open_mp4(CaptureOutput* out, const std::string& ffmpeg, const std::string& path, int width, int height,
                     int fps, int rate, const VideoCodec& codec = {});
// Creates the folder (removing frame_*.png left there by an earlier capture).
bool output_open_png(CaptureOutput* out, const std::string& dir, int rate);
void output_open_none(CaptureOutput* out);

bool output_frame(CaptureOutput* out, const RgbImage& frame, const FrameInfo& info);
// `samples` stereo samples (2 * samples interleaved values) for the WAV.
void output_audio(CaptureOutput* out, const int16_t* pcm, size_t samples);
void output_silence(CaptureOutput* out, size_t samples);
// Finishes the files (the MP4's audio step included); false with `error` set.
bool output_finish(CaptureOutput* out);
// Stops ffmpeg and removes the MP4's part files: for an exit on failure.
void output_abandon(CaptureOutput* out);

// PNG frame file name: frame_000042.png
std::string png_frame_name(int64_t index);
