#include "capture/wav_writer.h"

#include <algorithm>
#include <bit>
#include <vector>

static_assert(std::endian::native == std::endian::little, "samples are written in memory order");

namespace {

void put_u32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void put_u16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The 44-byte canonical header for `samples` samples of 16-bit stereo.
void make_header(uint8_t h[44], int rate, uint64_t samples)
{
    const uint64_t data = samples * 4;
    // Sizes clamp rather than wrap past 4 GiB (about nine hours at 32 kHz).
    const uint32_t data32 = data > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<uint32_t>(data);
    std::copy_n("RIFF", 4, h);
    put_u32(h + 4, 36 + data32);
    std::copy_n("WAVEfmt ", 8, h + 8);
    put_u32(h + 16, 16);
    put_u16(h + 20, 1);  // PCM
    put_u16(h + 22, 2);
    put_u32(h + 24, static_cast<uint32_t>(rate));
    put_u32(h + 28, static_cast<uint32_t>(rate) * 4);
    put_u16(h + 32, 4);
    put_u16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    put_u32(h + 40, data32);
}

}  // namespace

bool wav_open(WavWriter* w, const std::string& path, int rate)
{
    *w = WavWriter{};
    w->rate = rate;
    w->file = std::fopen(path.c_str(), "wb");
    if (!w->file) return false;
    uint8_t h[44];
    make_header(h, rate, 0);
    w->failed = std::fwrite(h, 1, sizeof h, w->file) != sizeof h;
    return true;
}

void wav_write(WavWriter* w, const int16_t* pcm, size_t samples)
{
    if (!w->file || samples == 0) return;
    if (std::fwrite(pcm, 4, samples, w->file) != samples) w->failed = true;
    w->samples += samples;
}

void wav_write_silence(WavWriter* w, size_t samples)
{
    const std::vector<int16_t> zeros(2 * samples, 0);
    wav_write(w, zeros.data(), samples);
}

bool wav_close(WavWriter* w)
{
    if (!w->file) return !w->failed;
    uint8_t h[44];
    make_header(h, w->rate, w->samples);
    if (std::fseek(w->file, 0, SEEK_SET) != 0 || std::fwrite(h, 1, sizeof h, w->file) != sizeof h) w->failed = true;
    if (std::fclose(w->file) != 0) w->failed = true;
    w->file = nullptr;
    return !w->failed;
}
