#include "capture/capture_options.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/option_parser.h"

namespace {

bool read_size(const std::string& text, int* width, int* height)
{
    int w = 0, h = 0, used = 0;
    if (std::sscanf(text.c_str(), "%dx%d%n", &w, &h, &used) != 2 || text[used]) return false;
    if (w < kCaptureMinSide || h < kCaptureMinSide || w > kCaptureMaxSide || h > kCaptureMaxSide) return false;
    *width = w;
    *height = h;
    return true;
}

bool is_preset(const std::string& name)
{
    for (const char* p : kX264Presets)
        if (name == p) return true;
    return false;
}

std::string preset_names()
{
    std::string names;
    for (const char* p : kX264Presets) names += (names.empty() ? "" : " ") + std::string(p);
    return names;
}

// An ffmpeg encoder name: letters, digits, '_' and '-', so that it cannot be
// read as one of ffmpeg's own options.
bool is_encoder_name(const std::string& name)
{
    if (name.empty() || !std::isalnum(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') return false;
    return true;
}

// Checks that need every option read.
std::string refuse_combination(const CaptureOptions& o, bool crf_given, bool preset_given, bool encoder_given)
{
    if (!o.out.empty() && !o.png_dir.empty()) return "--out and --png exclude each other";
    if (o.no_video && o.contact_sheet.empty() && o.events.empty())
        return "--no-video writes nothing without --contact-sheet or --events";
    if (o.no_video && (!o.out.empty() || !o.png_dir.empty())) return "--no-video excludes --out and --png";
    if ((crf_given || preset_given || encoder_given) && (o.no_video || !o.png_dir.empty()))
        return "--crf, --preset and --encoder set the MP4's video; they do not apply with --png or --no-video";
    if ((crf_given || preset_given) && !encoder_takes_crf(o.video.encoder))
        return std::string(crf_given ? "--crf" : "--preset") + " applies to libx264 and libx265 only, not to " +
               o.video.encoder;
    return "";
}

}  // namespace

const char* capture_usage()
{
    return "usage: drensolk-capture [options]\n"
           "Renders the demo frame by frame on a virtual clock, with the music rendered\n"
           "offline, to an MP4 (needs ffmpeg) or to numbered PNG frames and a WAV.\n"
           "It ends where the demo ends, with the frame at order 20, row 2. Runs\n"
           "headless; reads the data files from the working directory.\n"
           "\n"
           "  --out FILE            the MP4 to write (default drensolk.mp4)\n"
           "  --png DIR             write DIR/frame_NNNNNN.png, DIR/audio.wav and\n"
           "                        DIR/frames.tsv instead of an MP4\n"
           "  --fps N               frames per second, 1 to 240 (default 60)\n"
           "  --size WxH            frame size, 16 to 4096 each (default 640x480)\n"
           "  --start-order N       start the music at order N, as the demo's argument\n"
           "  --seconds S           stop after S seconds of video (intro included)\n"
           "  --frames N            stop after N frames (intro included)\n"
           "  --contact-sheet FILE  also write one frame from the middle of every order\n"
           "                        0 to 20, tiled 7 by 3, into FILE (PNG)\n"
           "  --tile-width N        contact sheet tiles at most N pixels wide (default 160)\n"
           "  --events FILE         also write every row start and instrument trigger of\n"
           "                        the music rendered to FILE (TSV: sample, seconds,\n"
           "                        order, row, kind, instrument, channel)\n"
           "  --no-video            write no frames or audio (with --contact-sheet or\n"
           "                        --events)\n"
           "  --data DIR            read the data files from DIR\n"
           "  --crf N               H.264/H.265 quality, 0 (lossless) to 51 (worst);\n"
           "                        default 20\n"
           "  --preset NAME         H.264/H.265 speed against file size: ultrafast\n"
           "                        superfast veryfast faster fast medium slow slower\n"
           "                        veryslow placebo (default medium)\n"
           "  --encoder NAME        ffmpeg video encoder (default libx264); --crf and\n"
           "                        --preset apply to libx264 and libx265 only, other\n"
           "                        encoders run at their own defaults; the audio is AAC\n"
           "  --help                this text\n";
}

ParseStatus parse_capture_options(int argc, char** argv, CaptureOptions* o, std::string* error)
{
    *o = CaptureOptions{};
    double seconds = -1;
    bool crf_given = false, preset_given = false, encoder_given = false;
    using Words = std::vector<std::string>;
    const std::vector<CliOption> options = {
        int_option("fps", &o->fps, 1, kCaptureMaxFps),
        {"size", 1, 1,
         [o](const Words& w) -> std::string {
             return read_size(w[0], &o->width, &o->height) ? "" : "WIDTHxHEIGHT, each 16 to 4096";
         }},
        int_option("start-order", &o->start_order, INT_MIN, INT_MAX),
        positive_option("seconds", &seconds, "a positive number of seconds"),
        int_option("frames", &o->max_frames, 1, INT64_MAX),
        text_option("out", &o->out),
        text_option("png", &o->png_dir),
        text_option("contact-sheet", &o->contact_sheet),
        int_option("tile-width", &o->tile_width, 8, kCaptureMaxSide),
        text_option("data,data-dir", &o->data_dir),
        text_option("events", &o->events),
        flag_option("no-video", &o->no_video, true),
        noting_given(int_option("crf", &o->video.crf, 0, kMaxCrf), &crf_given),
        noting_given({"preset", 1, 1,
                      [o](const Words& w) -> std::string {
                          if (!is_preset(w[0])) return "one of " + preset_names();
                          return o->video.preset = w[0], "";
                      }},
                     &preset_given),
        noting_given({"encoder", 1, 1,
                      [o](const Words& w) -> std::string {
                          if (!is_encoder_name(w[0]))
                              return "an ffmpeg video encoder name such as libx264; `ffmpeg -encoders` lists them";
                          return o->video.encoder = w[0], "";
                      }},
                     &encoder_given),
    };
    const ParseStatus status = parse_options(argc, argv, options, error);
    if (status != ParseStatus::Ok) return status;
    if (seconds > 0) {
        // Whole frames covering at least that long; the epsilon keeps 2.5 s at 10 fps at 25.
        const long long frames = static_cast<long long>(std::ceil(seconds * o->fps - 1e-9));
        const long long limit = frames < 1 ? 1 : frames;
        o->max_frames = o->max_frames < 0 ? limit : std::min<long long>(o->max_frames, limit);
    }
    *error = refuse_combination(*o, crf_given, preset_given, encoder_given);
    return error->empty() ? ParseStatus::Ok : ParseStatus::Error;
}

std::string check_encoder(const std::string& encoder, const std::vector<std::string>& available)
{
    if (available.empty()) return "";
    for (const std::string& name : available)
        if (name == encoder) return "";
    return "--encoder " + encoder +
           ": ffmpeg has no such video encoder; `ffmpeg -encoders` lists those it has (lines starting with V)";
}
