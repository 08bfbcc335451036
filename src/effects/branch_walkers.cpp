#include "effects/branch_walkers.h"

#include "core/base/random.h"
#include "core/base/stipple.h"
#include "core/base/sync_state.h"
#include "draw/gl.h"
#include "draw/shapes.h"

namespace {

// Starting values, shared by the definitions and the test reset.
const Vec2 kFirstSpawnPoint(0.0f, 0.5f);
constexpr int32_t kFirstCountdown = 1;  // the very first call lowers walker_spawn
constexpr int32_t kCountdownPeriod = 20;
constexpr int32_t kNoOrder = -1;

}  // namespace

std::vector<Walker> drawn_walkers;
std::vector<Walker> source_walkers;
Vec2 walker_spawn_point = kFirstSpawnPoint;
float spawn_heading = 0.0f;
int32_t walker_countdown = kFirstCountdown;
int32_t walker_last_order = kNoOrder;
uint8_t walker_stipple[128] = {};

namespace {

constexpr float kQuarterPi = 0.7853982f;

// Adds one walker at the tip of a random source (or at walker_spawn_point when
// there is none), turned by 0 or +-pi/4. At most four random draws, in this order:
// turn, sign, source index (only with sources), second source entry.
void spawn_walker()
{
    spawn_heading = (demo_rand() % 2 == 0) ? kQuarterPi : 0.0f;
    if ((demo_rand() & 1) == 1) spawn_heading = -spawn_heading;

    if (!source_walkers.empty()) {
        const size_t index = static_cast<size_t>(demo_rand()) % source_walkers.size();
        const Walker src = source_walkers[index];
        source_walkers.erase(source_walkers.begin() + static_cast<std::ptrdiff_t>(index));
        walker_spawn_point = src.pos + Vec2(0.1f, 0.0f).rotated(src.heading);
        spawn_heading += src.heading;
        // A tip off the unit square restarts that coordinate in the middle;
        // 0.0 and 1.0 themselves are inside.
        if (walker_spawn_point.x < 0.0f || walker_spawn_point.x > 1.0f) walker_spawn_point.x = 0.5f;
        if (walker_spawn_point.y < 0.0f || walker_spawn_point.y > 1.0f) walker_spawn_point.y = 0.5f;
    }

    const Walker born(walker_spawn_point.x, walker_spawn_point.y, spawn_heading);
    drawn_walkers.push_back(born);
    source_walkers.push_back(born);
    if (demo_rand() % 7 == 0) source_walkers.push_back(born);
}

}  // namespace

// Draws all walkers of the current order, growing the branches by one while spawning.
void draw_branch_walkers(double /*t*/, int order)
{
    build_diagonal_stipple(walker_stipple);
    glPolygonStipple(walker_stipple);
    glEnable(GL_POLYGON_STIPPLE);

    if (ld(sync_state.walker_spawn)) spawn_walker();

    draw_walker_glyphs(drawn_walkers);

    // After drawing: the frame of an order change still shows the old walkers.
    if (order != walker_last_order) {
        drawn_walkers.clear();
        source_walkers.clear();
        walker_spawn_point = Vec2(0.5f, 0.5f);
        walker_last_order = order;
    }

    // Counts calls, not spawns: lowers the flag on the 1st, 21st, 41st... call.
    walker_countdown -= 1;
    if (walker_countdown <= 0) {
        st(sync_state.walker_spawn, false);
        walker_countdown = kCountdownPeriod;
    }

    glDisable(GL_POLYGON_STIPPLE);
}

namespace {

// Where one glyph lies: a capsule 0.1 long and 0.03 wide from walker.pos
// along its heading, caps at both ends, two dots inside.
struct Glyph {
    Vec2 body[4];  // the capsule's quad, corner by corner round it
    Vec2 start, end, dot1, dot2;
};

Glyph glyph_of(const Walker& walker)
{
    const Vec2 p = walker.pos;
    const Vec2 half_body = Vec2(0.05f, 0.0f).rotated(walker.heading);
    const Vec2 half_width = Vec2(0.0f, 0.015f).rotated(walker.heading);
    const Vec2 end = p + half_body * 2.0f;
    // Summed in the order the corners have always been, to the last bit.
    return Glyph{{p - half_width, p - half_width + half_body * 2.0f, p + half_width + half_body * 2.0f, p + half_width},
                 p,
                 end,
                 p + half_body * 0.5f,
                 p + half_body * 1.5f};
}

// The white caps, then the red dots, into an open GL_TRIANGLES batch.
void emit_caps_and_dots(const Glyph& g)
{
    filled_disc(0.015f, g.start.x, g.start.y, 10, 0.0f);
    filled_disc(0.015f, g.end.x, g.end.y, 10, 0.0f);
    glColor3f(1.0f, 0.0f, 0.0f);
    filled_disc(0.0055f, g.dot1.x, g.dot1.y, 10, 0.0f);
    filled_disc(0.0055f, g.dot2.x, g.dot2.y, 10, 0.0f);
}

}  // namespace

void draw_walker_glyphs(const std::vector<Walker>& walkers)
{
    if (walkers.empty()) return;
    glDisable(GL_BLEND);
    size_t first = 0;
    if (glIsEnabled(GL_DEPTH_TEST)) {
        // Only the first body meets the caller's depth test; everything after it is drawn without.
        draw_walker_glyph(walkers[0]);
        first = 1;
    }
    glDisable(GL_DEPTH_TEST);
    if (first == walkers.size()) return;
    glBegin(GL_TRIANGLES);
    for (size_t i = first; i < walkers.size(); ++i) {
        const Glyph g = glyph_of(walkers[i]);
        glColor3f(1.0f, 1.0f, 1.0f);
        // The body as the rasteriser splits the quad: corners 0 1 3, then 1 2 3.
        for (const int corner : {0, 1, 3, 1, 2, 3}) g.body[corner].emit_vertex();
        emit_caps_and_dots(g);
    }
    glEnd();
}

// Draws one walker: white capsule body with round caps and two red dots.
void draw_walker_glyph(const Walker& walker)
{
    const Glyph g = glyph_of(walker);
    glDisable(GL_BLEND);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    for (const Vec2& corner : g.body) corner.emit_vertex();
    glEnd();

    glDisable(GL_DEPTH_TEST);

    glBegin(GL_TRIANGLES);
    emit_caps_and_dots(g);
    glEnd();
}

void branch_walkers_reset_for_test()
{
    drawn_walkers.clear();
    source_walkers.clear();
    walker_spawn_point = kFirstSpawnPoint;
    spawn_heading = 0.0f;
    walker_countdown = kFirstCountdown;
    walker_last_order = kNoOrder;
    for (auto& b : walker_stipple) b = 0;
}
