// Writes small seed inputs for the two fuzzers: modules (XM from the XM
// writer, a ProTracker MOD) and pictures in every PNG layout SDL_image
// decodes differently, plus a bitmap. The generated data files are copied in
// beside them by the build.
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hostile/hostile_data.h"
#include "xm/xm_writer.h"

namespace fs = std::filesystem;

namespace {

void save(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An XM that reaches the scan's special cases: note delay, pattern delay,
// key off, envelopes, a second instrument and more channels.
std::vector<uint8_t> effects_xm()
{
    xm::Module m;
    m.name = "seed effects";
    m.channels = 4;
    m.speed = 3;
    for (int k = 0; k < 2; ++k) {
        xm::Instrument ins;
        ins.name = k ? "square" : "saw";
        xm::Sample s;
        s.data.resize(32);
        for (int i = 0; i < 32; ++i) s.data[i] = static_cast<int16_t>(k ? (i < 16 ? 9000 : -9000) : i * 500 - 8000);
        s.loop = k ? xm::LoopType::pingpong : xm::LoopType::forward;
        s.loop_length = 32;
        ins.samples.push_back(s);
        ins.volume_envelope.enabled = true;
        ins.volume_envelope.points = {{0, 64}, {4, 32}, {12, 0}};
        ins.volume_envelope.sustain = true;
        ins.volume_envelope.sustain_point = 1;
        ins.fadeout = 0x200;
        m.instruments.push_back(ins);
    }
    xm::Pattern p = xm::make_pattern(16, m.channels);
    p.at(0, 0) = {xm::note(4, 0), 1};
    p.at(0, 1) = {xm::note(3, 7), 2, xm::volume(40)};
    p.at(2, 2) = {xm::note(5, 0), 1, 0, xm::fx::extended, 0xD2};  // note delay
    p.at(4, 3) = {0, 0, 0, xm::fx::extended, 0xE2};               // pattern delay
    p.at(5, 0) = {xm::key_off, 0};
    p.at(6, 1) = {xm::note(4, 4), 0, 0, xm::fx::tone_porta, 0x10};
    p.at(8, 2) = {xm::note(2, 11), 2, 0, xm::fx::set_speed, 0x40};
    p.at(12, 3) = {0, 0, 0, xm::fx::pattern_break, 0x00};
    xm::Pattern q = xm::make_pattern(8, m.channels);
    q.at(0, 0) = {xm::note(4, 2), 2, 0, xm::fx::vibrato, 0x44};
    q.at(7, 1) = {0, 0, 0, xm::fx::position_jump, 0x01};
    m.patterns = {p, q};
    m.orders = {0, 1, 0};
    m.restart_position = 1;
    return xm::write_xm(m);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR (writes CORPUS_DIR/module and CORPUS_DIR/picture)\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    fs::create_directories(root / "module");
    fs::create_directories(root / "picture");
    using hostile::QuickSong;
    save(root / "module" / "quick.xm", hostile::quick_xm({}));
    save(root / "module" / "quick-no-instruments.xm", hostile::quick_xm({21, false}));
    save(root / "module" / "quick-five-orders.xm", hostile::quick_xm({5}));
    save(root / "module" / "quick-trap.xm", hostile::quick_xm({21, true, true}));
    save(root / "module" / "quick.mod", hostile::quick_mod({}));
    save(root / "module" / "effects.xm", effects_xm());

    const struct {
        const char* name;
        hostile::PngLayout layout;
    } pictures[] = {
        {"rgb8", {PNG_COLOR_TYPE_RGB, 8, 16, 16}},       {"rgb16", {PNG_COLOR_TYPE_RGB, 16, 8, 8}},
        {"rgba8", {PNG_COLOR_TYPE_RGB_ALPHA, 8, 9, 7}},  {"rgba16", {PNG_COLOR_TYPE_RGB_ALPHA, 16, 4, 4}},
        {"grey1", {PNG_COLOR_TYPE_GRAY, 1, 13, 3}},      {"grey8", {PNG_COLOR_TYPE_GRAY, 8, 5, 5}},
        {"grey16", {PNG_COLOR_TYPE_GRAY, 16, 3, 3}},     {"greyalpha8", {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 6, 2}},
        {"palette2", {PNG_COLOR_TYPE_PALETTE, 2, 7, 5}}, {"palette8", {PNG_COLOR_TYPE_PALETTE, 8, 16, 4}},
        {"one-pixel", {PNG_COLOR_TYPE_RGB, 8, 1, 1}},
    };
    for (const auto& p : pictures) save(root / "picture" / (std::string(p.name) + ".png"), hostile::make_png(p.layout));
    save(root / "picture" / "bitmap.bmp", hostile::make_bmp(5, 3));
    return 0;
}
