// Hostile data made in memory: odd PNG layouts, a bitmap, tiny modules that
// play the whole song in a few seconds, and the same song in another tracker
// format. Used by the hostile-input tests and as fuzzing seeds.
#pragma once
#include <cstdint>
#include <vector>

namespace hostile {
// One PNG layout: libpng colour type (PNG_COLOR_TYPE_*), bits per sample.
struct PngLayout {
    int color_type;
    int bit_depth;
    int width, height;
};

// A picture of the given layout with a smooth pattern in it (palette entries
// and grey levels cover the whole range).
std::vector<uint8_t> make_png(const PngLayout& layout);
// A 24-bit uncompressed Windows bitmap (bottom-up rows, padded to 4 bytes).
std::vector<uint8_t> make_bmp(int width, int height);

// A small XM that plays all of its orders fast: one row is one tick (20 ms),
// four rows per order, so 21 orders pass in under two seconds. Order 20 (when
// there is one) holds its row 2 for about 2.4 s, so even a slow frame under a
// sanitizer reads that row and the demo ends.
struct QuickSong {
    int orders = 21;
    bool instruments = true;     // false: no instrument at all, notes name none
    bool trap_at_start = false;  // order 0 jumps back to itself for ever
};
std::vector<uint8_t> quick_xm(const QuickSong& song);
// The same song as a 4-channel ProTracker MOD ("M.K."), written by hand.
std::vector<uint8_t> quick_mod(const QuickSong& song);

}  // namespace hostile
