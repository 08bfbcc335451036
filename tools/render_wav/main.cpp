// Renders a tracker module to a 32-bit float stereo WAV with libopenmpt, so
// the mix can be measured (sox stats) and looked at (sox spectrogram).
// Usage: drensolk-render-wav input.xm output.wav [rate]
#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void print_log(const char* message, void*) { std::fprintf(stderr, "libopenmpt: %s\n", message); }

void put_u32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put_u16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s input.xm output.wav [rate]\n", argv[0]);
        return 2;
    }
    const int rate = argc > 3 ? std::atoi(argv[3]) : 32000;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    int error = 0;
    openmpt_module* mod = openmpt_module_create_from_memory2(
        file.data(), file.size(), print_log, nullptr, openmpt_error_func_default, nullptr, &error, nullptr, nullptr);
    if (!mod) {
        std::fprintf(stderr, "libopenmpt cannot load %s (error %d)\n", argv[1], error);
        return 1;
    }
    std::vector<float> frames, left(4096), right(4096);
    for (;;) {
        const size_t got = openmpt_module_read_float_stereo(mod, rate, left.size(), left.data(), right.data());
        if (got == 0) break;
        for (size_t i = 0; i < got; ++i) {
            frames.push_back(left[i]);
            frames.push_back(right[i]);
        }
    }
    openmpt_module_destroy(mod);

    // RIFF/WAVE with an IEEE float fmt chunk (format tag 3).
    const uint32_t data_bytes = static_cast<uint32_t>(frames.size() * sizeof(float));
    std::vector<uint8_t> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    put_u32(header, 36 + data_bytes);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_u32(header, 16);
    put_u16(header, 3);
    put_u16(header, 2);
    put_u32(header, static_cast<uint32_t>(rate));
    put_u32(header, static_cast<uint32_t>(rate) * 8);
    put_u16(header, 8);
    put_u16(header, 32);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    put_u32(header, data_bytes);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(frames.data()), static_cast<std::streamsize>(data_bytes));
    std::printf("%s: %.2f s at %d Hz\n", argv[2], frames.size() / 2.0 / rate, rate);
    return out ? 0 : 1;
}
