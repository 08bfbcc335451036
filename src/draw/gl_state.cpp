#include "draw/gl_state.h"

namespace lazy_gl {

State state;

void flush_changes()
{
    for (int i = 0; i < kCapCount; ++i) {
        const int8_t want = state.wanted[i];
        if (want == kUnknown || want == state.sent[i]) continue;
        if (want)
            glEnable(kCapNames[i]);
        else
            glDisable(kCapNames[i]);
        state.sent[i] = want;
    }
    if (state.want_src != 0 && (state.want_src != state.sent_src || state.want_dst != state.sent_dst)) {
        glBlendFunc(state.want_src, state.want_dst);
        state.sent_src = state.want_src;
        state.sent_dst = state.want_dst;
    }
    state.dirty = false;
}

}  // namespace lazy_gl
