#include "capture/capture_output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool fail(CaptureOutput* o, const std::string& what)
{
    if (o->error.empty()) o->error = what;
    return false;
}

std::string system_text() { return std::strerror(errno); }

}  // namespace

std::string png_frame_name(int64_t index)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "frame_%06lld.png", static_cast<long long>(index));
    return buf;
}

bool output_open_mp4(CaptureOutput* o, const std::string& ffmpeg, const std::string& path, int width, int height,
                     int fps, int rate, const VideoCodec& codec)
{
    *o = CaptureOutput{};
    o->kind = OutputKind::Mp4;
    o->ffmpeg = ffmpeg;
    o->path = path;
    o->video_part = path + ".video-part.mp4";
    o->wav_path = path + ".audio-part.wav";
    if (width % 2 || height % 2) return fail(o, "H.264 needs an even width and height; use --png for odd sizes");
    if (!wav_open(&o->wav, o->wav_path, rate)) return fail(o, o->wav_path + ": " + system_text());
    if (!ffmpeg_video_open(&o->pipe, ffmpeg, o->video_part, width, height, fps, codec)) {
        output_abandon(o);
        return fail(o, "cannot start " + ffmpeg);
    }
    return true;
}

bool output_open_png(CaptureOutput* o, const std::string& dir, int rate)
{
    *o = CaptureOutput{};
    o->kind = OutputKind::Png;
    o->path = dir;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return fail(o, dir + ": " + ec.message());
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("frame_", 0) == 0 && entry.path().extension() == ".png") fs::remove(entry.path(), ec);
    }
    o->wav_path = (fs::path(dir) / "audio.wav").string();
    if (!wav_open(&o->wav, o->wav_path, rate)) return fail(o, o->wav_path + ": " + system_text());
    const std::string log = (fs::path(dir) / "frames.tsv").string();
    o->log = std::fopen(log.c_str(), "w");
    if (!o->log) return fail(o, log + ": " + system_text());
    std::fprintf(o->log, "frame\ttime\tsample\torder\trow\n");
    return true;
}

void output_open_none(CaptureOutput* o)
{
    *o = CaptureOutput{};
    o->kind = OutputKind::None;
}

bool output_frame(CaptureOutput* o, const RgbImage& frame, const FrameInfo& info)
{
    switch (o->kind) {
        case OutputKind::None:
            break;
        case OutputKind::Mp4:
            if (!ffmpeg_video_write(&o->pipe, frame)) return fail(o, "ffmpeg stopped taking frames");
            break;
        case OutputKind::Png:
            if (!write_png((fs::path(o->path) / png_frame_name(info.index)).string(), frame))
                return fail(o, "cannot write " + png_frame_name(info.index));
            std::fprintf(o->log, "%lld\t%.6f\t%lld\t%d\t%d\n", static_cast<long long>(info.index), info.time,
                         static_cast<long long>(info.sample), info.order, info.row);
            break;
    }
    ++o->frames;
    return true;
}

void output_audio(CaptureOutput* o, const int16_t* pcm, size_t samples)
{
    if (o->kind != OutputKind::None) wav_write(&o->wav, pcm, samples);
}

void output_silence(CaptureOutput* o, size_t samples)
{
    if (o->kind != OutputKind::None) wav_write_silence(&o->wav, samples);
}

bool output_finish(CaptureOutput* o)
{
    const bool wav_ok = wav_close(&o->wav);
    if (o->log && std::fclose(o->log) != 0) fail(o, "cannot write frames.tsv");
    o->log = nullptr;
    if (!wav_ok) fail(o, o->wav_path + ": write failed");
    if (o->kind == OutputKind::Mp4) {
        if (!ffmpeg_video_close(&o->pipe)) fail(o, "ffmpeg failed encoding the video");
        if (o->error.empty() && !ffmpeg_mux(o->ffmpeg, o->video_part, o->wav_path, o->path))
            fail(o, "ffmpeg failed adding the audio");
        std::error_code ec;
        fs::remove(o->video_part, ec);
        fs::remove(o->wav_path, ec);
    }
    return o->error.empty();
}

void output_abandon(CaptureOutput* o)
{
    wav_close(&o->wav);
    if (o->log) std::fclose(o->log);
    o->log = nullptr;
    if (o->kind == OutputKind::Mp4) {
        ffmpeg_video_close(&o->pipe);
        std::error_code ec;
        fs::remove(o->video_part, ec);
        fs::remove(o->wav_path, ec);
    }
}
