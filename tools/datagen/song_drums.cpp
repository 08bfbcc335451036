// Kick, snare, toms, claps, rim, hats, crash and risers for each order.
#include "datagen/rng.h"
#include "datagen/song_parts.h"

namespace datagen {
namespace {

void kick(const OrderPlan& plan, Writer& w)
{
    for (int r = 0; r < w.rows(); r += 4) {
        const int in_bar = r % kRowsPerBar;
        switch (plan.section) {
            case Section::intro: {
                // Sparse at first: one kick a bar, then two, then four on the last bar.
                const bool on = in_bar == 0 || (plan.step >= 1 && in_bar == 8) || (plan.step == 3 && r >= 48);
                if (on) w.hit(r, ch::kick, role::kick, 44 + plan.step * 6);
                break;
            }
            case Section::breakdown:
                // A soft heartbeat that swells back over the last bar.
                w.hit(r, ch::kick, role::kick, r < 48 ? 30 : 30 + (r - 44) * 2);
                break;
            case Section::ending:
                if (r == 0) w.hit(r, ch::kick, role::kick, 64);
                break;
            default:
                w.hit(r, ch::kick, role::kick, 64);
        }
    }
}

void tom_fill(Writer& w, int volume)
{
    // Down the kit over the last half bar.
    const int rows[6] = {56, 58, 60, 61, 62, 63};
    const int keys[6] = {56, 53, 51, 49, 46, 44};
    for (int i = 0; i < 6; ++i) w.hit(rows[i], ch::toms, role::tom, volume, keys[i]);
}

void snare_roll(Writer& w, int from_row, int from_volume, int to_volume)
{
    const int span = w.rows() - from_row;
    for (int r = from_row; r < w.rows(); ++r) {
        const bool dense = r >= w.rows() - 8;
        if (!dense && (r - from_row) % 2) continue;
        w.hit(r, ch::snare, role::snare, from_volume + (to_volume - from_volume) * (r - from_row) / span);
    }
}

void snare_and_claps(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    if (s == Section::ending) {
        w.hit(0, ch::snare, role::snare, 44);
        w.hit(0, ch::clap, role::clap, 40);
        return;
    }
    if (s == Section::intro) {
        for (int r = 0; r < w.rows(); ++r) {
            const int in_bar = r % kRowsPerBar;
            if (in_bar == 4 || in_bar == 12) w.hit(r, ch::clap, role::rim, 44 + plan.step * 4);
            if (plan.step >= 2 && (in_bar == 14 || in_bar == 7)) w.hit(r, ch::clap, role::rim, 34);
        }
        if (plan.step == 3) snare_roll(w, 56, 16, 44);
        return;
    }
    if (s == Section::breakdown) {
        for (int r = 12; r < 48; r += 16) w.hit(r, ch::clap, role::clap, 24);
        snare_roll(w, 48, 14, 58);
        return;
    }
    const bool fill = plan.last_of_section || (s == Section::build && plan.step == 1);
    for (int r = 0; r < w.rows(); ++r) {
        const int in_bar = r % kRowsPerBar;
        const bool in_fill = fill && r >= 56;
        if ((in_bar == 4 || in_bar == 12) && !in_fill) {
            w.hit(r, ch::snare, role::snare, 64);
            const bool clap = (s == Section::build && plan.step == 2) || s == Section::main_theme ||
                              s == Section::finale || (s == Section::second_theme && in_bar == 12);
            if (clap) w.hit(r, ch::clap, role::clap, 48);
        }
        if (s != Section::build && !in_fill && (in_bar == 7 || in_bar == 15)) w.hit(r, ch::snare, role::snare, 20);
        if (!w.has_note(r, ch::clap)) {
            if (s == Section::second_theme && in_bar == 6) w.hit(r, ch::clap, role::rim, 22);
            if ((s == Section::main_theme || s == Section::finale) && in_bar == 10) w.hit(r, ch::clap, role::rim, 28);
        }
    }
    if (fill) tom_fill(w, 50);
}

void hats(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    // A drummer's hand: small, repeatable differences in how hard each hat is hit.
    Rng hand(0x4A7 + static_cast<uint64_t>(plan.order));
    if (s == Section::ending) {
        w.hit(0, ch::hats, role::closed_hat, 56);
        return;
    }
    for (int r = 0; r < w.rows(); ++r) {
        const int q = r % 4;
        bool open = false;
        int closed = 0;  // volume, 0 = none
        switch (s) {
            case Section::intro:
                if (plan.step == 0) {
                    open = r % 16 == 14;
                } else {
                    open = r % 8 == 6;
                    if (plan.step == 1)
                        closed = q == 2 ? 48 : q == 0 ? 28 : 0;
                    else
                        closed = q == 2 ? 48 : q == 0 ? 30 : 18;
                }
                break;
            case Section::build:
                open = plan.step == 2 ? r % 8 == 6 : r % 16 == 14;
                closed = q == 2 ? 56 : q == 0 ? 36 : 22;
                break;
            case Section::breakdown:
                open = r >= 32 && r % 16 == 14;
                closed = r >= 32 && q == 2 ? 40 : 0;
                break;
            case Section::main_theme:
            case Section::finale:
                // The offbeat open hat that makes the groove lift.
                open = q == 2;
                closed = q == 0 ? 40 : 26;
                break;
            case Section::second_theme:
                open = r % 8 == 6;
                closed = q == 2 ? 56 : q == 0 ? 36 : 24;
                break;
            case Section::ending:
                break;
        }
        const int touch = hand.below(7) - 3;
        if (open)
            w.hit(r, ch::hats, role::open_hat, (s == Section::main_theme || s == Section::finale ? 46 : 56) + touch);
        else if (closed)
            w.hit(r, ch::hats, role::closed_hat, closed + touch);
        // Swing: the in-between sixteenths come one tick late where the groove is full.
        const bool swung = s == Section::main_theme || s == Section::second_theme || s == Section::finale;
        if (swung && r % 2 == 1 && w.has_note(r, ch::hats)) w.effect(r, ch::hats, xm::fx::extended, 0xD1);
    }
}

void crash_and_riser(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    if (s == Section::intro) {
        if (plan.step == 3) w.hit(48, ch::riser, role::sweep, 44);
        return;
    }
    if (s == Section::ending) {
        w.hit(0, ch::crash, role::crash, 48);
        return;
    }
    // Impacts more often where the piece is at full strength.
    const bool dense = s == Section::main_theme || s == Section::finale;
    for (int r = 0; r < w.rows(); r += dense ? 8 : 16) {
        int volume = r % 16 == 0 ? 30 : 18;
        if (r == 0) volume = plan.step == 0 ? 64 : 48;
        w.hit(r, ch::crash, role::crash, volume);
    }
    if (plan.last_of_section) w.hit(48, ch::riser, role::sweep, 40);
}

}  // namespace

void write_drums(const OrderPlan& plan, Writer& w)
{
    kick(plan, w);
    snare_and_claps(plan, w);
    hats(plan, w);
    crash_and_riser(plan, w);
}

}  // namespace datagen
