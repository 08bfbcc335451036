// Instrument slots of the module. The demo reacts to some of them (the kick
// drives the beat pulses, the crash moves panels, ...), so their numbers are
// fixed. These are 0-based; pattern cells hold slot + 1.
#pragma once

namespace datagen::role {

constexpr int bass = 0;
constexpr int kick = 1;
constexpr int snare = 2;
constexpr int tom = 3;
constexpr int clap = 4;
constexpr int crash = 5;
constexpr int pad = 6;
constexpr int keys = 7;
constexpr int lead = 8;
constexpr int arp = 9;
constexpr int sweep = 10;
constexpr int bell = 11;
constexpr int closed_hat = 12;
constexpr int rim = 13;
constexpr int open_hat = 14;
constexpr int acid = 15;
constexpr int pluck = 16;
constexpr int stab = 17;
constexpr int count = 18;

}  // namespace datagen::role
