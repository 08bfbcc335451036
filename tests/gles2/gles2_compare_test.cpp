// The OpenGL 1.1 subset over OpenGL ES 2 (src/gl1es) against OpenGL 1.1, both
// on Mesa's llvmpipe: the frame script drawn by gl11_frames in its own
// process, and here through EGL and ES 2. Per order it reports the share of
// pixels that differ and by how much; hatched pixels must match exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/run_process.h"
#include "core/base/textures.h"
#include "core/frame_image.h"
#include "draw/gl.h"
#include "draw/view.h"
#include "gles2/egl_context.h"
#include "gles2/frame_script.h"

namespace {

constexpr size_t kFrameBytes = size_t{kScriptWidth} * kScriptHeight * 4;
// The bounds this implementation reaches on llvmpipe, with some room: see
// the table the test prints.
constexpr double kMaxDifferingShare = 0.015;  // of a frame's pixels
constexpr double kMaxMeanDifference = 3;      // largest channel, over the differing pixels

struct FrameDiff {
    int differing = 0;  // pixels whose red, green or blue differ
    double mean = 0;    // mean largest channel difference over those
    int largest = 0;    // largest channel difference anywhere
};

// Pixels with any colour: a frame left black would match anything.
int lit_pixels(const uint8_t* frame)
{
    int lit = 0;
    for (size_t i = 0; i < kFrameBytes; i += 4) lit += frame[i] + frame[i + 1] + frame[i + 2] > 0;
    return lit;
}

FrameDiff compare_rgb(const uint8_t* a, const uint8_t* b)
{
    FrameDiff d;
    long sum = 0;
    for (size_t i = 0; i < kFrameBytes; i += 4) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[i + c] - b[i + c]));
        if (worst == 0) continue;
        ++d.differing;
        sum += worst;
        d.largest = std::max(d.largest, worst);
    }
    d.mean = d.differing ? double(sum) / d.differing : 0;
    return d;
}

// A picture of where two frames differ, for a failing run: white where they
// differ, the ES 2 frame dimmed elsewhere.
void save_difference(const uint8_t* reference, const uint8_t* es, const std::string& name)
{
    RgbImage image;
    image.width = kScriptWidth;
    image.height = kScriptHeight;
    image.pixels.resize(size_t{kScriptWidth} * kScriptHeight * 3);
    for (int y = 0; y < kScriptHeight; ++y)
        for (int x = 0; x < kScriptWidth; ++x) {
            const size_t i = (size_t(kScriptHeight - 1 - y) * kScriptWidth + x) * 4;
            const bool differs =
                reference[i] != es[i] || reference[i + 1] != es[i + 1] || reference[i + 2] != es[i + 2];
            uint8_t* p = &image.pixels[(size_t(y) * kScriptWidth + x) * 3];
            for (int c = 0; c < 3; ++c) p[c] = differs ? 255 : es[i + c] / 3;
        }
    const std::filesystem::path dir = std::filesystem::path(DRENSOLK_BINARY_DIR) / "render-out";
    std::filesystem::create_directories(dir);
    write_png((dir / ("gles2_diff_" + name + ".png")).string(), image);
}

TEST(Gles2Render, EveryOrderMatchesOpenGl11WithinTheBoundAndHatchingExactly)
{
    const std::filesystem::path file = std::filesystem::path(DRENSOLK_BINARY_DIR) / "gles2-reference.rgba";
    const ProcessResult run = run_process({GL11_FRAMES_PROGRAM, file.string()}, DRENSOLK_BINARY_DIR, kHeadless, 300);
    ASSERT_EQ(run.status, 0) << "the OpenGL 1.1 frames: " << run.err;
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> reference{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    std::string why;
    ASSERT_TRUE(egl_open(kScriptWidth, kScriptHeight, why)) << why;
    set_viewport(kScriptWidth, kScriptHeight);
    upload_pictures(DRENSOLK_DATA_DIR);
    std::vector<std::string> names;
    std::vector<uint8_t> frames;
    run_frame_script([&](const std::string& name) {
        names.push_back(name);
        frames.resize(frames.size() + kFrameBytes);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kScriptWidth, kScriptHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                     &frames[frames.size() - kFrameBytes]);
    });
    ASSERT_EQ(reference.size(), frames.size()) << "the two paths kept different numbers of frames";

    const double pixels = double(kScriptWidth) * kScriptHeight;
    for (size_t f = 0; f < names.size(); ++f) {
        const uint8_t* a = &reference[f * kFrameBytes];
        const uint8_t* b = &frames[f * kFrameBytes];
        const FrameDiff d = compare_rgb(a, b);
        std::printf("%-8s differing %6.3f%%  mean %5.1f  largest %3d\n", names[f].c_str(), 100.0 * d.differing / pixels,
                    d.mean, d.largest);
        EXPECT_GT(lit_pixels(a), 1000) << names[f] << ": the OpenGL 1.1 frame is nearly black";
        if (names[f] == "stipple") {
            EXPECT_EQ(d.differing, 0) << "hatched pixels differ from OpenGL 1.1's";
        } else {
            EXPECT_LE(d.differing / pixels, kMaxDifferingShare) << names[f];
            EXPECT_LE(d.mean, kMaxMeanDifference) << names[f];
        }
        if (d.differing) save_difference(a, b, names[f]);
    }
}

}  // namespace
