// The start-up warm-up: it meets every combination the layers draw with, and
// leaves OpenGL, the random sequence and the layers as it found them.
#include "effects/warm_up.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "core/panel_scenes.h"
#include "core/schedule.h"
#include "effects/arc_rings.h"
#include "effects/branch_walkers.h"
#include "effects/choice_table.h"
#include "effects/flicker_lines.h"
#include "effects/petal_rings.h"
#include "effects/pulsing_squares.h"
#include "effects/quad_subdivision.h"
#include "effects/triangle_subdivision.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

constexpr GLenum kCaps[] = {GL_BLEND,          GL_POLYGON_STIPPLE, GL_LINE_SMOOTH,
                            GL_POLYGON_SMOOTH, GL_TEXTURE_2D,      GL_DEPTH_TEST};

DrawCombo combo_of(const glrec::Batch& b)
{
    DrawCombo c{b.mode, 0, 0, 0, 0, false, b.arrays};
    for (int i = 0; i < 6; ++i)
        if (b.at_begin.is_on(kCaps[i])) c.caps |= static_cast<uint8_t>(1u << i);
    if (c.caps & kComboBlend) {
        c.blend_src = b.at_begin.blend_src;
        c.blend_dst = b.at_begin.blend_dst;
    }
    const auto& calls = glrec::calls();
    for (size_t i = b.first_call + 1; !b.arrays && i < calls.size() && calls[i].name != "glEnd"; ++i) {
        if (calls[i].name == "glColor3f") c.colour = 3;
        if (calls[i].name == "glColor4f") c.colour = 4;
        if (calls[i].name == "glTexCoord2f") c.texcoords = true;
    }
    return c;
}

std::string describe(const DrawCombo& c)
{
    std::ostringstream s;
    s << "{0x" << std::hex << c.mode << ", " << std::dec << int(c.caps) << ", 0x" << std::hex << c.blend_src << ", 0x"
      << c.blend_dst << std::dec << ", " << int(c.colour) << ", " << (c.texcoords ? "true" : "false") << ", "
      << (c.arrays ? "true" : "false") << "},";
    return s.str();
}

void reset_everything()
{
    glrec::reset();
    fresh_demo();
    quad_painter.depth_allowed = 1;  // as on the demo's 24-bit depth buffer
}

// The music's signals, varied from frame to frame so every branch that
// changes state is taken: beats and rings on every cell, spawns, flicker.
void vary_sync(int g)
{
    SyncState& s = sync_state;
    st(s.beat_count, g % 10);
    st(s.ring_count, g % 5);
    st(s.reposition_flag, g % 2 == 0);
    st(s.walker_spawn, true);
    st(s.flicker_level, g % 2 ? 1.0f : 0.0f);
    st(s.pulse, 0.5f);
    st(s.ring_level, 1.0f);
    st(s.beat_level, 0.5f);
    for (auto& level : s.petal_level) st(level, 1.0f);
    st(s.accent_count, g);
    st(s.grid_phase, 0.7f * static_cast<float>(g));
    st(s.jump_count, 37 * g);
}

// Every combination draw_frame uses: the orders in a row as the demo plays
// them, and every order started afresh as `drensolk ORDER` does, each with
// every layer mask.
std::set<DrawCombo> combos_the_layers_use()
{
    std::set<DrawCombo> seen;
    int g = 0;
    for (const bool fresh : {false, true}) {
        reset_everything();
        for (int order = 0; order <= 20; ++order) {
            if (fresh) reset_everything();
            for (int mask = 0; mask < 16; ++mask) {
                for (int f = 0; f < (order >= 16 ? 1 : 3); ++f, ++g) {
                    vary_sync(g);
                    draw_frame(order, 1.0f + 0.37f * static_cast<float>(g), mask);
                    for (const glrec::Batch& b : glrec::batches()) seen.insert(combo_of(b));
                    glrec::forget_calls();
                }
            }
        }
    }
    return seen;
}

TEST(WarmUp, MeetsEveryCombinationTheLayersDrawWith)
{
    const std::set<DrawCombo> used = combos_the_layers_use();
    const std::set<DrawCombo> listed(kDemoCombos, kDemoCombos + kDemoComboCount);
    EXPECT_EQ(listed.size(), kDemoComboCount) << "kDemoCombos lists a combination twice";
    std::string missing, unused;
    for (const DrawCombo& c : used)
        if (!listed.count(c)) missing += describe(c) + "\n";
    // The depth painter's in-order route (a frame with no hatched quad, or
    // none plain) is listed whether or not these frames meet it.
    for (const DrawCombo& c : listed)
        if (!used.count(c) && !(c.arrays && !(c.caps & kComboDepth))) unused += describe(c) + "\n";
    EXPECT_TRUE(missing.empty()) << "drawn but not warmed up:\n" << missing;
    EXPECT_TRUE(unused.empty()) << "warmed up but never drawn:\n" << unused;

    // And the warm-up itself draws each of them (textured ones per picture).
    reset_everything();
    for (int i = 0; i < kTextureCount; ++i) TextureTable[i] = static_cast<uint32_t>(i + 1);
    warm_up_drawing();
    std::set<DrawCombo> drawn;
    for (const glrec::Batch& b : glrec::batches()) drawn.insert(combo_of(b));
    EXPECT_EQ(drawn, listed);
}

TEST(WarmUp, LeavesOpenGLTheRandomSequenceAndTheLayersAsFound)
{
    reset_everything();
    // A state no layer would leave, to see each piece come back.
    glEnable(GL_BLEND);
    glEnable(GL_POLYGON_SMOOTH);
    glBlendFunc(GL_ONE_MINUS_SRC_COLOR, GL_SRC_COLOR);
    glDepthFunc(GL_GREATER);
    glColor4f(0.25f, 0.5f, 0.75f, 0.125f);
    glTexCoord2f(0.3f, 0.7f);
    glBindTexture(GL_TEXTURE_2D, 5);
    glMatrixMode(GL_MODELVIEW);
    const glrec::State before = glrec::state();
    const auto stipple_before = glrec::stipple();
    const uint64_t rand_before = demo_rand_count();
    const size_t walkers_before = drawn_walkers.size();
    const Vec2 centre_before = arc_centre;
    const float panel_before = panel_x;

    warm_up_drawing();

    const glrec::State& after = glrec::state();
    EXPECT_EQ(after.enabled, before.enabled);
    EXPECT_EQ(after.blend_src, before.blend_src);
    EXPECT_EQ(after.blend_dst, before.blend_dst);
    EXPECT_EQ(after.depth_func, before.depth_func);
    EXPECT_EQ(after.texture, before.texture);
    EXPECT_EQ(after.matrix_mode, before.matrix_mode);
    EXPECT_EQ(after.color.r, 0.25f);
    EXPECT_EQ(after.color.a, 0.125f);
    EXPECT_EQ(glrec::stipple(), stipple_before);
    EXPECT_EQ(glrec::count("glPushMatrix"), glrec::count("glPopMatrix"));
    EXPECT_EQ(glrec::count("glEnableClientState"), glrec::count("glDisableClientState"));
    // The last thing it does is clear what it drew.
    ASSERT_FALSE(glrec::calls().empty());
    EXPECT_EQ(glrec::calls().back().name, "glClear");
    EXPECT_EQ(glrec::calls().back().args[0], double(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
    EXPECT_GT(glrec::batch_count(), 0u);

    EXPECT_EQ(demo_rand_count(), rand_before);
    EXPECT_EQ(drawn_walkers.size(), walkers_before);
    EXPECT_EQ(arc_centre.x, centre_before.x);
    EXPECT_EQ(panel_x, panel_before);
}

}  // namespace
