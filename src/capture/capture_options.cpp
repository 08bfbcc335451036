#include "capture/capture_options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum : int {
    OPT_FPS = 1000,
    OPT_SIZE,
    OPT_START,
    OPT_SECONDS,
    OPT_FRAMES,
    OPT_OUT,
    OPT_PNG,
    OPT_SHEET,
    OPT_TILE,
    OPT_DATA,
    OPT_EVENTS,
    OPT_NO_VIDEO,
    OPT_CRF,
    OPT_PRESET,
    OPT_ENCODER,
    OPT_HELP
};

const option long_options[] = {
    {"fps", required_argument, nullptr, OPT_FPS},
    {"size", required_argument, nullptr, OPT_SIZE},
    {"start-order", required_argument, nullptr, OPT_START},
    {"seconds", required_argument, nullptr, OPT_SECONDS},
    {"frames", required_argument, nullptr, OPT_FRAMES},
    {"out", required_argument, nullptr, OPT_OUT},
    {"png", required_argument, nullptr, OPT_PNG},
    {"contact-sheet", required_argument, nullptr, OPT_SHEET},
    {"tile-width", required_argument, nullptr, OPT_TILE},
    {"data", required_argument, nullptr, OPT_DATA},
    {"events", required_argument, nullptr, OPT_EVENTS},
    {"no-video", no_argument, nullptr, OPT_NO_VIDEO},
    {"crf", required_argument, nullptr, OPT_CRF},
    {"preset", required_argument, nullptr, OPT_PRESET},
    {"encoder", required_argument, nullptr, OPT_ENCODER},
    {"help", no_argument, nullptr, OPT_HELP},
    {nullptr, 0, nullptr, 0},
};

// The whole text as a base-10 integer in [lo, hi].
bool read_int(const char* text, long long lo, long long hi, long long* value)
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (errno || end == text || *end) return false;
    if (v < lo || v > hi) return false;
    *value = v;
    return true;
}

bool read_size(const char* text, int* width, int* height)
{
    int w = 0, h = 0, used = 0;
    if (std::sscanf(text, "%dx%d%n", &w, &h, &used) != 2 || text[used]) return false;
    if (w < kCaptureMinSide || h < kCaptureMinSide || w > kCaptureMaxSide || h > kCaptureMaxSide) return false;
    *width = w;
    *height = h;
    return true;
}

std::string bad(const char* option, const char* value, const std::string& want)
{
    return std::string("--") + option + " " + value + ": " + want;
}

bool is_preset(const char* name)
{
    for (const char* p : kX264Presets)
        if (std::strcmp(p, name) == 0) return true;
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
bool is_encoder_name(const char* name)
{
    if (!std::isalnum(static_cast<unsigned char>(*name))) return false;
    for (const char* c = name; *c; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '_' && *c != '-') return false;
    return true;
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
    long long v = 0;
    optind = 0;  // full reinitialisation: the parser may run more than once (tests)
    opterr = 0;
    int c;
    while ((c = getopt_long(argc, argv, "", long_options, nullptr)) != -1) {
        switch (c) {
            case OPT_FPS:
                if (!read_int(optarg, 1, kCaptureMaxFps, &v))
                    return *error = bad("fps", optarg, "a whole number from 1 to 240"), ParseStatus::Error;
                o->fps = static_cast<int>(v);
                break;
            case OPT_SIZE:
                if (!read_size(optarg, &o->width, &o->height))
                    return *error = bad("size", optarg, "WIDTHxHEIGHT, each 16 to 4096"), ParseStatus::Error;
                break;
            case OPT_START:
                if (!read_int(optarg, INT_MIN, INT_MAX, &v))
                    return *error = bad("start-order", optarg, "a whole number"), ParseStatus::Error;
                o->start_order = static_cast<int>(v);
                break;
            case OPT_SECONDS: {
                char* end = nullptr;
                seconds = std::strtod(optarg, &end);
                if (end == optarg || *end || !(seconds > 0) || seconds > 1e6)
                    return *error = bad("seconds", optarg, "a positive number"), ParseStatus::Error;
                break;
            }
            case OPT_FRAMES:
                if (!read_int(optarg, 1, LLONG_MAX, &v))
                    return *error = bad("frames", optarg, "a positive whole number"), ParseStatus::Error;
                o->max_frames = v;
                break;
            case OPT_OUT:
                o->out = optarg;
                break;
            case OPT_PNG:
                o->png_dir = optarg;
                break;
            case OPT_SHEET:
                o->contact_sheet = optarg;
                break;
            case OPT_TILE:
                if (!read_int(optarg, 8, kCaptureMaxSide, &v))
                    return *error = bad("tile-width", optarg, "a whole number from 8 to 4096"), ParseStatus::Error;
                o->tile_width = static_cast<int>(v);
                break;
            case OPT_DATA:
                o->data_dir = optarg;
                break;
            case OPT_EVENTS:
                o->events = optarg;
                break;
            case OPT_NO_VIDEO:
                o->no_video = true;
                break;
            case OPT_CRF:
                if (!read_int(optarg, 0, kMaxCrf, &v))
                    return *error = bad("crf", optarg, "a whole number from 0 to 51"), ParseStatus::Error;
                o->video.crf = static_cast<int>(v);
                crf_given = true;
                break;
            case OPT_PRESET:
                if (!is_preset(optarg))
                    return *error = bad("preset", optarg, "one of " + preset_names()), ParseStatus::Error;
                o->video.preset = optarg;
                preset_given = true;
                break;
            case OPT_ENCODER:
                if (!is_encoder_name(optarg))
                    return *error = bad("encoder", optarg,
                                        "an ffmpeg video encoder name such as libx264; `ffmpeg -encoders` lists them"),
                           ParseStatus::Error;
                o->video.encoder = optarg;
                encoder_given = true;
                break;
            case OPT_HELP:
                return ParseStatus::Help;
            default: {
                const char* arg = argv[optind - 1];
                *error = optopt ? std::string("option needs a value: ") + arg : std::string("unknown option: ") + arg;
                return ParseStatus::Error;
            }
        }
    }
    if (optind < argc) return *error = std::string("unexpected argument: ") + argv[optind], ParseStatus::Error;
    if (seconds > 0) {
        // Whole frames covering at least that long; the epsilon keeps 2.5 s at 10 fps at 25.
        const long long frames = static_cast<long long>(std::ceil(seconds * o->fps - 1e-9));
        const long long limit = frames < 1 ? 1 : frames;
        o->max_frames = o->max_frames < 0 ? limit : std::min<long long>(o->max_frames, limit);
    }
    if (!o->out.empty() && !o->png_dir.empty())
        return *error = "--out and --png exclude each other", ParseStatus::Error;
    if (o->no_video && o->contact_sheet.empty() && o->events.empty())
        return *error = "--no-video writes nothing without --contact-sheet or --events", ParseStatus::Error;
    if (o->no_video && (!o->out.empty() || !o->png_dir.empty()))
        return *error = "--no-video excludes --out and --png", ParseStatus::Error;
    if ((crf_given || preset_given || encoder_given) && (o->no_video || !o->png_dir.empty()))
        return *error = "--crf, --preset and --encoder set the MP4's video; they do not apply with --png or --no-video",
               ParseStatus::Error;
    if ((crf_given || preset_given) && !encoder_takes_crf(o->video.encoder))
        return *error = std::string(crf_given ? "--crf" : "--preset") +
                        " applies to libx264 and libx265 only, not to " + o->video.encoder,
               ParseStatus::Error;
    return ParseStatus::Ok;
}

std::string check_encoder(const std::string& encoder, const std::vector<std::string>& available)
{
    if (available.empty()) return "";
    for (const std::string& name : available)
        if (name == encoder) return "";
    return "--encoder " + encoder +
           ": ffmpeg has no such video encoder; `ffmpeg -encoders` lists those it has (lines starting with V)";
}
