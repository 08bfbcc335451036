// Counts of the GL calls that reach libGL, per frame: the bench defines these
// entry points itself (the drawing library links against whatever defines
// them) and forwards each to the real one found with dlsym(RTLD_NEXT).
#pragma once
#include <cstdint>

struct GlCounts {
    uint64_t begins = 0;         // glBegin, glDrawArrays
    uint64_t vertices = 0;       // glVertex2f, glVertex3f, glDrawArrays' vertices
    uint64_t state_calls = 0;    // glEnable, glDisable, glBlendFunc
    uint64_t state_changes = 0;  // those of them that changed what was set
    uint64_t begin_changes = 0;  // glBegins whose state differs from the last glBegin's
    uint64_t mode_switches = 0;  // glBegins whose mode differs from the last one's
};

// Resolves the real entry points; false when one is missing.
bool gl_count_init();
GlCounts gl_counts();
void gl_counts_reset();
