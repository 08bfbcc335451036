// Maker mode driven as a person drives it: key presses pushed onto SDL's event
// queue while the maker loop draws on real Mesa (offscreen) and a small song
// plays live on the dummy audio driver. The checks follow what each frame read
// and drew, never how fast frames came.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/clock.h"
#include "core/base/demo_data.h"
#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "core/base/trigger_record.h"
#include "core/maker_frame.h"
#include "core/maker_loop.h"
#include "core/maker_overlay.h"
#include "core/maker_text.h"
#include "core/music/fmod_api.h"
#include "core/music/music_maker.h"
#include "core/schedule.h"
#include "draw/gl.h"
#include "render/render_harness.h"
#include "support/fresh_demo.h"
#include "xm/xm_writer.h"

namespace {

constexpr int kOrders = 4, kRows = 4;

// Four orders of four rows of 375 ms (speed 6, 40 BPM: slow enough that a
// frame on a busy machine does not skip a row): a kick on each order's row 0
// and a closed hat on every other row, so the sync state counts order starts
// in beat_count and the other rows in accent_count.
std::string write_song()
{
    xm::Module m;
    m.name = "maker";
    m.channels = 1;
    m.speed = 6;
    m.bpm = 40;
    xm::Sample s;
    s.data.assign(64, 0);
    for (int i = 0; i < 64; ++i) s.data[size_t(i)] = int16_t((i % 16) * 1000 - 8000);
    s.loop = xm::LoopType::forward;
    s.loop_length = 64;
    for (int i = 0; i <= role::closed_hat; ++i) {
        xm::Instrument ins;
        ins.name = "saw";
        ins.samples.push_back(s);
        m.instruments.push_back(ins);
    }
    for (int p = 0; p < kOrders; ++p) {
        m.patterns.push_back(xm::make_pattern(kRows, 1));
        for (int r = 0; r < kRows; ++r)
            m.patterns.back().at(r, 0) =
                xm::Cell{xm::note(4, 0), uint8_t((r == 0 ? role::kick : role::closed_hat) + 1), 0, 0, 0};
        m.orders.push_back(uint8_t(p));
    }
    const std::string path = ::testing::TempDir() + "drensolk_maker_mode_" + std::to_string(getpid()) + ".xm";
    const std::vector<uint8_t> bytes = xm::write_xm(m);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

void push_key(SDLKey key, SDLMod mod = KMOD_NONE)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

struct Seen {
    MakerFrame frame;
    double at;  // now_seconds
    int32_t beats, accents;
};

// Runs the maker loop; `script` sees each frame before its swap (with all
// frames so far) and pushes keys. A safety net ends it after 20 s.
std::vector<Seen> run(FMUSIC_MODULE* module, const std::function<void(const std::vector<Seen>&)>& script)
{
    std::vector<Seen> seen;
    const double start = now_seconds();
    MakerHooks hooks;
    hooks.before_swap = [&](const MakerFrame& f) {
        seen.push_back(Seen{f, now_seconds(), ld(sync_state.beat_count), ld(sync_state.accent_count)});
        script(seen);
        if (now_seconds() - start > 20) push_key(SDLK_ESCAPE);
    };
    run_maker_loop(module, 0, hooks);
    // The frame that read Escape was still drawn: its script may have pushed
    // another, which must not end the next test's loop.
    SDL_Event left;
    while (SDL_PollEvent(&left)) {}
    return seen;
}

class MakerMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(render_open());
        render_load_textures();
        sync_reset_for_test();
        ASSERT_TRUE(FSOUND_Init(kMixRate, 64, 0));
        module = FMUSIC_LoadSong(write_song().c_str());
        ASSERT_NE(module, nullptr);
        for (int n = 0; n < kHookedInstruments; ++n) FMUSIC_SetInstCallback(module, sync_on_instrument, n);
        ASSERT_TRUE(FMUSIC_PlaySong(module));
    }
    void TearDown() override
    {
        if (module) FMUSIC_FreeSong(module);
        FSOUND_Close();
    }
    FMUSIC_MODULE* module = nullptr;
};

// Index of the first frame at or after `from` that satisfies pred, or -1.
template <class Pred>
int first(const std::vector<Seen>& seen, size_t from, Pred pred)
{
    for (size_t i = from; i < seen.size(); ++i)
        if (pred(seen[i])) return int(i);
    return -1;
}

}  // namespace

// Right lands on row 0 of the next order and Left on row 0 of the one before;
// the kick of each row 0 reaches the sync state once.
TEST_F(MakerMode, NextAndPreviousOrderLandOnRowZeroAndTheSyncFollows)
{
    int right = -1, left = -1;
    const std::vector<Seen> seen = run(module, [&](const std::vector<Seen>& s) {
        const Seen& now = s.back();
        const int i = int(s.size()) - 1;
        if (right < 0 && now.frame.order == 0 && now.frame.row >= 2) {
            right = i;
            push_key(SDLK_RIGHT);
        } else if (right >= 0 && left < 0 && now.frame.order == 1 && now.frame.row >= 2) {
            left = i;
            push_key(SDLK_LEFT);
        } else if (left >= 0 && now.frame.order == 0 && now.frame.row >= 2) {
            push_key(SDLK_ESCAPE);
        }
    });
    ASSERT_GE(left, 0);
    const int landed = first(seen, size_t(right), [](const Seen& s) { return s.frame.order == 1; });
    ASSERT_GT(landed, right);
    EXPECT_EQ(seen[size_t(landed)].frame.row, 0);
    // Up to the press, order 0 had one kick; by the time row 2 of order 1 is
    // read, exactly one more came: order 1's, and none of order 0's rows 3-7.
    EXPECT_EQ(seen[size_t(right)].beats, 1);
    EXPECT_EQ(seen[size_t(left)].beats, 2);
    const int back = first(seen, size_t(left), [](const Seen& s) { return s.frame.order == 0; });
    ASSERT_GT(back, left);
    EXPECT_EQ(seen[size_t(back)].frame.row, 0);
    EXPECT_EQ(seen.back().beats, 3);
    // Hats: rows 1 to r of order 1, each once (row r's perhaps not yet).
    const int hats = seen[size_t(left)].accents - seen[size_t(landed)].accents, r = seen[size_t(left)].frame.row;
    EXPECT_GE(hats, r - 1);
    EXPECT_LE(hats, r);
}

// L holds the order: after its last row comes its row 0, never the next order.
TEST_F(MakerMode, LoopReturnsToTheOrdersRowZero)
{
    int pressed = -1, wrapped = -1;
    const std::vector<Seen> seen = run(module, [&](const std::vector<Seen>& s) {
        const Seen& now = s.back();
        if (pressed < 0 && now.frame.order == 1 && now.frame.row >= 1) {
            pressed = int(s.size()) - 1;
            push_key(SDLK_l);
        } else if (pressed >= 0 && wrapped < 0 && now.frame.order == 1 && now.frame.row == 0) {
            wrapped = int(s.size()) - 1;
        } else if (wrapped >= 0 && now.frame.row >= 2) {
            push_key(SDLK_ESCAPE);
        }
    });
    ASSERT_GE(wrapped, 0);
    EXPECT_EQ(first(seen, size_t(pressed), [](const Seen& s) { return s.frame.order != 1; }), -1);
    EXPECT_EQ(seen[size_t(wrapped) - 1].frame.row, kRows - 1);
    EXPECT_EQ(seen.back().frame.looped_order, 1);
    EXPECT_EQ(music_maker_looped_order(module), 1);
}

// Space holds the picture and the music for over a second, then goes on
// from where it stopped: the triggers across the pause arrive once each.
TEST_F(MakerMode, PauseHoldsPictureAndPositionAndResumesWithoutLosingTriggers)
{
    const uint32_t kicks_before = trigger_record_count(role::kick);
    int paused = -1, resumed = -1;
    std::vector<uint8_t> first_held, last_held;
    Seen hold_start{}, hold_end{};
    const std::vector<Seen> seen = run(module, [&](const std::vector<Seen>& s) {
        const Seen& now = s.back();
        if (s.size() == 1) push_key(SDLK_h);  // no overlay: its frame graph moves
        if (paused < 0 && now.frame.order == 0 && now.frame.row >= 2) {
            paused = int(s.size()) - 1;
            push_key(SDLK_SPACE);
        } else if (paused >= 0 && resumed < 0 && now.at - s[size_t(paused)].at >= 0.5 && first_held.empty()) {
            first_held = render_read_rgba();  // the sound already handed has played out
            hold_start = now;
        } else if (!first_held.empty() && resumed < 0 && now.at - hold_start.at >= 1.1) {
            last_held = render_read_rgba();
            hold_end = now;
            resumed = int(s.size()) - 1;
            push_key(SDLK_SPACE);
        } else if (resumed >= 0 && now.frame.order == 2 && now.frame.row >= 1) {
            push_key(SDLK_ESCAPE);
        }
    });
    ASSERT_GE(resumed, 0);
    EXPECT_TRUE(hold_start.frame.held && hold_end.frame.held);
    EXPECT_EQ(hold_end.frame.order * kRows + hold_end.frame.row, hold_start.frame.order * kRows + hold_start.frame.row);
    EXPECT_EQ(hold_end.accents, hold_start.accents);
    EXPECT_EQ(hold_end.frame.t, hold_start.frame.t);
    EXPECT_EQ(count_differing_rgba(first_held, last_held), 0);
    // Resumed where it stopped: the next row read is the held one or the one after.
    const int moved = first(seen, size_t(resumed) + 1, [&](const Seen& s) {
        return s.frame.order * kRows + s.frame.row != hold_end.frame.order * kRows + hold_end.frame.row;
    });
    ASSERT_GT(moved, resumed);
    EXPECT_EQ(seen[size_t(moved)].frame.order * kRows + seen[size_t(moved)].frame.row,
              hold_end.frame.order * kRows + hold_end.frame.row + 1);
    // Reading (2, r): the kicks of orders 0, 1 and 2 and the hats of rows
    // (0, 1) to (2, r), row r's perhaps not yet.
    EXPECT_EQ(trigger_record_count(role::kick) - kicks_before, 3u);
    EXPECT_EQ(seen.back().beats, 3);
    const int r = seen.back().frame.row;
    EXPECT_GE(seen.back().accents, 2 * (kRows - 1) + r - 1);
    EXPECT_LE(seen.back().accents, 2 * (kRows - 1) + r);
    // The animation goes on from the held frame's time, not from the clock.
    EXPECT_LT(seen[size_t(resumed) + 1].frame.t - hold_end.frame.t, 0.5f);
}

// S writes the picture the frame shows, overlay included, named by its place.
TEST_F(MakerMode, SWritesThePngOfTheShownPicture)
{
    const std::filesystem::path dir =
        std::filesystem::path(::testing::TempDir()) / ("drensolk_maker_png_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path back = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    RgbImage shown;
    MakerFrame at{};
    run(module, [&](const std::vector<Seen>& s) {
        if (s.size() == 5) push_key(SDLK_s);
        if (s.size() == 6) {  // the frame that took the key, before its swap
            shown = read_viewport();
            at = s.back().frame;
            push_key(SDLK_ESCAPE);
        }
    });
    std::filesystem::current_path(back);
    const std::filesystem::path png = dir / picture_name(at.order, at.row);
    SDL_Surface* image = IMG_Load(png.c_str());
    ASSERT_NE(image, nullptr) << png;
    ASSERT_EQ(image->w, shown.width);
    ASSERT_EQ(image->h, shown.height);
    ASSERT_EQ(image->format->BytesPerPixel, 3);
    int differing = 0;
    SDL_LockSurface(image);
    for (int y = 0; y < image->h; ++y)
        differing += std::memcmp(static_cast<uint8_t*>(image->pixels) + y * image->pitch, shown.at(0, y),
                                 size_t(image->w) * 3) != 0;
    SDL_UnlockSurface(image);
    SDL_FreeSurface(image);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(count_lit(shown, 0, 0, shown.width, shown.height), 0);
    std::filesystem::remove_all(dir);
}

// Solo: the frame shows exactly what the layer draws alone where it stands in
// the schedule, and every hidden layer still took its random draws.
TEST(MakerFrame, SoloShowsExactlyThatLayersPixelsAndKeepsTheRandomDraws)
{
    ASSERT_TRUE(render_open());
    render_load_textures();
    const int solo = schedule_row("pulsing squares");
    ASSERT_GE(solo, 0);
    auto reset = [] {
        glDisable(GL_BLEND);
        glClearColor(0, 0, 0, 0);
        fresh_demo();
        st(sync_state.pulse, 1.0f);
        st(sync_state.flicker_level, 1.0f);
        for (auto& level : sync_state.petal_level) st(level, 1.0f);
    };
    const float t = 2.5f;
    reset();
    draw_frame(0, t, 0);
    const uint64_t draws = demo_rand_count();
    const std::vector<uint8_t> whole = render_read_rgba();

    reset();
    draw_frame_hiding(0, t, 0, ~(1u << solo));
    EXPECT_EQ(demo_rand_count(), draws);
    const std::vector<uint8_t> alone = render_read_rgba();

    // The reference: the layers before it run, then the screen is cleared
    // and the layer draws on black.
    reset();
    render_start_frame();
    uint8_t rows[kMaxScheduledLayers];
    const size_t n = scheduled_layers(0, 0, rows);
    for (size_t i = 0; i < n && rows[i] != solo; ++i) kSchedule[rows[i]].draw(t, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    kSchedule[solo].draw(t, 0);
    const std::vector<uint8_t> reference = render_read_rgba();

    EXPECT_EQ(count_differing_rgba(alone, reference), 0);
    EXPECT_GT(count_differing_rgba(alone, whole), 0);
    // Something was drawn: not a black frame against a black frame.
    EXPECT_GT(count_differing_rgba(alone, std::vector<uint8_t>(alone.size(), 0)), 0);
}

// The overlay draws over the frame and leaves every piece of OpenGL state a
// layer could rely on as it was.
TEST(MakerOverlay, LeavesTheGlStateAsItFoundIt)
{
    ASSERT_TRUE(render_open());
    render_load_textures();
    render_start_frame();
    maker_text_open();
    // A state as a frame can end: blending, hatching, smoothing, a texture, a colour.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR);
    glEnable(GL_POLYGON_STIPPLE);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POLYGON_SMOOTH);
    glBindTexture(GL_TEXTURE_2D, 3);
    glColor4f(0.25f, 0.5f, 0.75f, 0.125f);
    glLineWidth(2.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);

    struct Snapshot {
        std::array<GLboolean, 9> on;
        std::array<GLint, 8> ints;
        std::array<GLfloat, 4 + 1 + 16 + 16> floats;
        std::array<GLboolean, 5> masks;
    };
    auto snapshot = [] {
        Snapshot s{};
        const GLenum caps[] = {GL_BLEND,      GL_POLYGON_STIPPLE, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH, GL_TEXTURE_2D,
                               GL_DEPTH_TEST, GL_SCISSOR_TEST,    GL_CULL_FACE,   GL_ALPHA_TEST};
        for (size_t i = 0; i < s.on.size(); ++i) s.on[i] = glIsEnabled(caps[i]);
        const GLenum ints[] = {GL_BLEND_SRC,        GL_BLEND_DST,      GL_TEXTURE_BINDING_2D, GL_MATRIX_MODE,
                               GL_UNPACK_ALIGNMENT, GL_PACK_ALIGNMENT, GL_SHADE_MODEL,        GL_DEPTH_FUNC};
        for (size_t i = 0; i < s.ints.size(); ++i) glGetIntegerv(ints[i], &s.ints[i]);
        glGetFloatv(GL_CURRENT_COLOR, &s.floats[0]);
        glGetFloatv(GL_LINE_WIDTH, &s.floats[4]);
        glGetFloatv(GL_PROJECTION_MATRIX, &s.floats[5]);
        glGetFloatv(GL_MODELVIEW_MATRIX, &s.floats[21]);
        glGetBooleanv(GL_COLOR_WRITEMASK, &s.masks[0]);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &s.masks[4]);
        return s;
    };
    const std::vector<uint8_t> under = render_read_rgba();  // sets the pack alignment: before the snapshot
    const Snapshot before = snapshot();
    float frames[kGraphFrames];
    for (int i = 0; i < kGraphFrames; ++i) frames[i] = float(5 + i % 30);
    const uint8_t rows[] = {0, 1, 2};
    OverlayInfo info;
    info.order = 3;
    info.row = 17;
    info.seconds = 31.5;
    info.frame_ms = frames;
    info.frame_count = kGraphFrames;
    info.rows = rows;
    info.row_count = 3;
    info.role_light[role::kick] = 1.0f;
    draw_maker_overlay(info);
    const Snapshot after = snapshot();
    for (size_t i = 0; i < before.on.size(); ++i) EXPECT_EQ(after.on[i], before.on[i]) << "capability " << i;
    for (size_t i = 0; i < before.ints.size(); ++i) EXPECT_EQ(after.ints[i], before.ints[i]) << "integer " << i;
    for (size_t i = 0; i < before.floats.size(); ++i) EXPECT_EQ(after.floats[i], before.floats[i]) << "float " << i;
    for (size_t i = 0; i < before.masks.size(); ++i) EXPECT_EQ(after.masks[i], before.masks[i]) << "mask " << i;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_GT(count_differing_rgba(render_read_rgba(), under), 1000);
}
