// drensolk-capture: the demo rendered frame by frame on a virtual clock, with
// the music rendered offline by the same player core, to a video or to PNG
// frames and a WAV. Same drawing, start-up checks and data files as the demo;
// no display, no sound card, and every capture of the same settings is
// identical.
#include <SDL/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "capture/capture_music.h"
#include "capture/capture_options.h"
#include "capture/capture_output.h"
#include "capture/contact_sheet.h"
#include "capture/event_map.h"
#include "capture/frame_clock.h"
#include "capture/music_survey.h"
#include "capture/progress.h"
#include "core/base/textures.h"
#include "core/display.h"
#include "core/driver_loop.h"
#include "core/frame_image.h"
#include "core/sound_errors.h"
#include "core/start_up.h"
#include "draw/gl.h"
#include "effects/intro_spinner.h"

namespace fs = std::filesystem;

namespace {

// A module that never reaches the end row is refused after this much music
// unless --frames or --seconds bounds the capture.
constexpr uint64_t kSurveyLimitSeconds = 20 * 60;

struct Capture {
    CaptureOptions opt;
    FrameClock clock;
    CaptureOutput output;
    bool output_open;
    bool sheet_wanted;
    ContactSheet sheet;
    EventMap events;  // open with --events
    int64_t sheet_frame[kSurveyOrders];
    Progress progress;
    int64_t frame;  // the frame being drawn; after its swap, the next one
    int64_t total;  // expected frames, -1 while unknown
    bool interrupted;
};

Capture cap;

void abandon_output_at_exit()
{
    if (cap.output_open) output_abandon(&cap.output);
}

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "drensolk-capture: %s\n", message.c_str());
    std::exit(1);
}

bool limit_reached(int64_t frame) { return cap.opt.max_frames >= 0 && frame >= cap.opt.max_frames; }

// SDL turns Ctrl-C and SIGTERM into a quit event: the capture then stops
// after the frame in hand and finishes its files, so what is done stays usable.
void poll_quit()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (event.type == SDL_QUIT) cap.interrupted = true;
}

bool sheet_wants(int64_t frame)
{
    if (!cap.sheet_wanted) return false;
    for (int64_t f : cap.sheet_frame)
        if (f == frame) return true;
    return false;
}

// Everything after a frame's drawing: read it back, hand it on, swap, and
// move the clock to the next frame.
void finish_frame(int order, int row)
{
    const bool for_sheet = sheet_wants(cap.frame);
    if (cap.output.kind != OutputKind::None || for_sheet) {
        const RgbImage image = read_frame(cap.opt.width, cap.opt.height);
        const FrameInfo info{cap.frame, frame_time(cap.clock, cap.frame), frame_sample(cap.clock, cap.frame), order,
                             row};
        if (!output_frame(&cap.output, image, info)) fail(cap.output.error);
        for (int o = 0; o < kSurveyOrders && for_sheet; ++o)
            if (cap.sheet_frame[o] == cap.frame) sheet_place(&cap.sheet, o, image);
    }
    SDL_GL_SwapBuffers();
    ++cap.frame;
    poll_quit();
    progress_update(&cap.progress, cap.frame, cap.total);
}

// Intro frames carry silence: the music starts when the intro is over.
void run_intro()
{
    run_intro_loop([] { return frame_time(cap.clock, cap.frame); },
                   [] { return limit_reached(cap.frame + 1) || cap.interrupted; },  // where a key press would end it
                   [] {
                       output_silence(&cap.output, static_cast<size_t>(frame_sample(cap.clock, cap.frame + 1) -
                                                                       frame_sample(cap.clock, cap.frame)));
                       finish_frame(-1, -1);
                   });
}

// Output folders are made as needed, as `--png DIR` makes its own.
void make_parent(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
}

void open_output()
{
    const CaptureOptions& o = cap.opt;
    if (o.no_video) {
        output_open_none(&cap.output);
        return;
    }
    const std::string& png = o.png_dir;
    // check_encoder_or_exit has made sure of ffmpeg where an MP4 is asked for.
    const std::string ffmpeg = png.empty() ? find_ffmpeg() : "";
    if (png.empty()) make_parent(o.out);
    const bool ok = png.empty()
                        ? output_open_mp4(&cap.output, ffmpeg, o.out, o.width, o.height, o.fps, kMixRate, o.video)
                        : output_open_png(&cap.output, png, kMixRate);
    cap.output_open = true;
    if (!ok) fail(cap.output.error);
}

// An MP4 needs ffmpeg, and an encoder ffmpeg has: without either the capture
// is refused (status 2) before anything is drawn or written, so a script that
// asked for a video never gets success without one.
void check_encoder_or_exit()
{
    if (!cap.opt.png_dir.empty() || cap.opt.no_video) return;
    const std::string ffmpeg = find_ffmpeg();
    if (ffmpeg.empty()) {
        std::fprintf(stderr,
                     "drensolk-capture: no ffmpeg on PATH, and an MP4 needs it: install ffmpeg (Debian: apt-get "
                     "install ffmpeg), or pass --png DIR for PNG frames and a WAV instead\n");
        std::exit(2);
    }
    const std::string error = check_encoder(cap.opt.video.encoder, ffmpeg_video_encoders(ffmpeg));
    if (error.empty()) return;
    std::fprintf(stderr, "drensolk-capture: %s\n", error.c_str());
    std::exit(2);
}

// Paths given on the command line name places in the caller's folder, not
// the data folder the capture runs in.
void make_paths_absolute(CaptureOptions* o)
{
    if (o->out.empty()) o->out = "drensolk.mp4";
    for (std::string* p : {&o->out, &o->png_dir, &o->contact_sheet, &o->events})
        if (!p->empty()) *p = fs::absolute(*p).lexically_normal().string();
}

// The demo's display attributes, at the capture's size, never full screen;
// other shapes than 4:3 get black bars so circles stay round.
void open_display()
{
    std::atexit(SDL_Quit);
    SDL_Init(SDL_INIT_VIDEO);
    if (!open_gl_display(cap.opt.width, cap.opt.height, false)) {
        // The demo ends with status 0 here; a capture that made nothing has failed.
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
        std::exit(1);
    }
}

// Start-up checks in the demo's order and with its messages: the pictures
// (a failure exits inside upload_png_texture), then the module.
std::vector<uint8_t> load_data(CaptureMusic* music)
{
    load_pictures();
    return capture_music_load(music, cap.opt.start_order);
}

// The dry pass: how many frames to expect, and which go on the contact sheet.
void plan(const std::vector<uint8_t>& module_bytes, int64_t music_frame)
{
    const MusicSurvey survey =
        survey_music(module_bytes, kMixRate, cap.opt.start_order, kSurveyLimitSeconds * kMixRate);
    if (survey.end_sample != kSurveyNone) {
        const int64_t end = frame_sample(cap.clock, music_frame) + static_cast<int64_t>(survey.end_sample);
        cap.total = first_frame_at(cap.clock, end) + 1;
        if (cap.opt.max_frames >= 0) cap.total = std::min(cap.total, cap.opt.max_frames);
    } else if (cap.opt.max_frames >= 0) {
        cap.total = cap.opt.max_frames;
    } else {
        fail(
            "the music does not reach order 20, row 2 within 20 minutes; bound the capture with --seconds or --frames");
    }
    if (cap.sheet_wanted) sheet_frames(survey, cap.clock, music_frame, cap.sheet_frame);
}

// The demo's frame loop on the virtual clock, from the music's first frame to
// the frame that reaches order 20, row 2 (or the frame limit). Returns the
// last frame's position, -1, -1 when none was drawn.
std::pair<int, int> run_music_frames(CaptureMusic* music, int64_t music_frame)
{
    std::pair<int, int> last{-1, -1};
    FrameDriver offline;
    offline.music = [&] {
        capture_music_frame(music, cap.clock, music_frame, cap.frame);
        const std::vector<int16_t> pcm = capture_music_take(music);
        output_audio(&cap.output, pcm.data(), pcm.size() / 2);
        return MusicPosition{music->order, music->row};
    };
    offline.clock = [] { return static_cast<float>(frame_time(cap.clock, cap.frame)); };
    offline.present = [](const FrameInputs& in) { finish_frame(in.order, in.row); };
    offline.stop = [&](const FrameInputs& in) {
        last = {in.order, in.row};
        return music->end_reached || limit_reached(cap.frame) || cap.interrupted;
    };
    if (!limit_reached(cap.frame) && !cap.interrupted) run_driver_loop(offline);
    // The sound under the last frame, to the end of its time on screen.
    const int64_t end = frame_sample(cap.clock, cap.frame) - frame_sample(cap.clock, music_frame);
    capture_music_render_to(music, static_cast<uint64_t>(std::max<int64_t>(end, 0)));
    const std::vector<int16_t> tail = capture_music_take(music);
    output_audio(&cap.output, tail.data(), tail.size() / 2);
    return last;
}

void print_summary(int64_t intro_frames, std::pair<int, int> last)
{
    if (cap.interrupted) std::fprintf(stderr, "drensolk-capture: interrupted; the frames done so far are written\n");
    const double elapsed = progress_elapsed(&cap.progress);
    std::fprintf(stderr, "drensolk-capture: %lld frames (%lld intro) at %d fps: %.2f s of video in %.1f s (%.1f fps)",
                 static_cast<long long>(cap.frame), static_cast<long long>(intro_frames), cap.opt.fps,
                 frame_time(cap.clock, cap.frame), elapsed, elapsed > 0 ? cap.frame / elapsed : 0.0);
    if (last.first >= 0) std::fprintf(stderr, "; last frame at order %d, row %d", last.first, last.second);
    std::fprintf(stderr, "\n");
    if (cap.output.kind != OutputKind::None)
        std::fprintf(stderr, "drensolk-capture: wrote %s\n", cap.output.path.c_str());
    if (cap.sheet_wanted) std::fprintf(stderr, "drensolk-capture: wrote %s\n", cap.opt.contact_sheet.c_str());
    if (!cap.opt.events.empty()) std::fprintf(stderr, "drensolk-capture: wrote %s\n", cap.opt.events.c_str());
}

// The sync map is created before anything is rendered, so a path that cannot
// be written stops the capture at once.
void open_events()
{
    if (cap.opt.events.empty()) return;
    make_parent(cap.opt.events);
    if (!event_map_open(&cap.events, cap.opt.events, kMixRate)) fail(cap.opt.events + ": " + std::strerror(errno));
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // headless unless the caller chose a driver
    std::string error;
    const ParseStatus parsed = parse_capture_options(argc, argv, &cap.opt, &error);
    if (const int status = answer_parse(parsed, "drensolk-capture", error, capture_usage()); status >= 0) return status;
    check_encoder_or_exit();
    make_paths_absolute(&cap.opt);
    if (!cap.opt.data_dir.empty() && chdir(cap.opt.data_dir.c_str()) != 0) {
        std::perror(cap.opt.data_dir.c_str());
        return 1;
    }
    cap.clock = FrameClock{cap.opt.fps, kMixRate};
    cap.total = -1;
    cap.sheet_wanted = !cap.opt.contact_sheet.empty();
    for (int64_t& f : cap.sheet_frame) f = -1;
    if (cap.sheet_wanted) sheet_init(&cap.sheet, kSurveyOrders, cap.opt.width, cap.opt.height, cap.opt.tile_width);

    open_display();
    std::atexit(abandon_output_at_exit);  // runs before SDL_Quit: ffmpeg is stopped first
    open_output();
    open_events();
    progress_start(&cap.progress);

    run_intro();
    const int64_t music_frame = cap.frame;
    CaptureMusic music{};
    const std::vector<uint8_t> module_bytes = load_data(&music);
    if (cap.events.file) music.events = &cap.events;
    plan(module_bytes, music_frame);
    const std::pair<int, int> last = run_music_frames(&music, music_frame);
    progress_finish(&cap.progress, cap.frame, cap.total);

    if (!output_finish(&cap.output)) fail(cap.output.error);
    cap.output_open = false;
    if (!event_map_close(&cap.events)) fail(cap.opt.events + ": write error");
    if (cap.sheet_wanted) {
        make_parent(cap.opt.contact_sheet);
        if (!write_png(cap.opt.contact_sheet, cap.sheet.image)) return 1;
    }
    print_summary(music_frame, last);
    capture_music_close(&music);
    return cap.interrupted ? 130 : 0;
}
