// The demo's music: a complete XM module, composed and synthesised here.
//
// Orders 0-3 intro, 4-6 build, 7 break, 8-11 main theme, 12-15 second
// theme, 16-19 finale, 20 the closing hit (the demo stops at its row 2).
// Speed 6 at 125 BPM: a 64-row pattern lasts 7.68 s.
#pragma once

#include "xm/xm_writer.h"

namespace datagen {

constexpr int kSongOrders = 21;
constexpr int kSongBpm = 125;
constexpr int kSongSpeed = 6;

xm::Module make_song();

}  // namespace datagen
