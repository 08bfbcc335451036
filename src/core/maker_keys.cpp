#include "core/maker_keys.h"

namespace {

// A jump not yet heard counts as the current order, so quick presses step on
// from it.
int step_from(const MakerState& s, int order)
{
    if (s.jump_to >= 0) return s.jump_to;
    return s.heading_to >= 0 ? s.heading_to : order;
}

}  // namespace

void maker_key(MakerState* s, SDLKey key, SDLMod mod, int order, const uint8_t* rows, size_t row_count)
{
    switch (key) {
        case SDLK_ESCAPE:
            s->quit = true;
            return;
        case SDLK_LEFT:
            s->jump_to = step_from(*s, order) > 0 ? step_from(*s, order) - 1 : 0;
            break;
        case SDLK_RIGHT:
            s->jump_to = step_from(*s, order) + 1 < s->order_count ? step_from(*s, order) + 1 : s->order_count - 1;
            break;
        case SDLK_HOME:
            s->jump_to = s->start_order;
            break;
        case SDLK_l:
            s->looped_order = s->looped_order >= 0 ? -1 : order;
            s->loop_changed = true;
            return;
        case SDLK_SPACE:
            s->paused = !s->paused;
            s->pause_changed = true;
            return;
        case SDLK_h:
            s->overlay = !s->overlay;
            return;
        case SDLK_s:
            s->save = true;
            return;
        default:
            if (key >= SDLK_1 && key <= SDLK_9) {
                const size_t n = static_cast<size_t>(key - SDLK_1);
                if (n >= row_count) return;
                const int row = rows[n];
                if (mod & KMOD_SHIFT)
                    s->muted ^= 1u << row;
                else
                    s->solo_row = s->solo_row == row ? -1 : row;
            }
            return;
    }
    // A jump carries a held loop along to the new order.
    if (s->looped_order >= 0) {
        s->looped_order = s->jump_to;
        s->loop_changed = true;
    }
}

uint32_t maker_hidden_rows(const MakerState& s)
{
    const uint32_t others = s.solo_row >= 0 ? ~(1u << s.solo_row) : 0u;
    return others | s.muted;
}
