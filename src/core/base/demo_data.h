// What the demo and its data generator agree on: the files in the working
// folder, the module's mix rate and end position, and which instrument of the
// module plays which role. The generator writes the module by these names; the
// sync state reacts to them; tests check both against this one header.
#pragma once

// Instrument slots of the module, 0-based (pattern cells hold slot + 1). The
// sync state reacts to the kick (beat pulses), the snare, tom and clap (ring
// bursts), the crash (panel jumps), the hats and the rim (accents and flicker),
// the pluck (petal rings) and the stab (walker spawns); the others only sound.
// Named like tracks, for what they play.
namespace role {
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
}  // namespace role

// The callback is hooked onto instruments 0 to 29: every role above with room
// for a module that adds instruments after them. Triggers of later slots never
// reach the sync state, live or in the capture.
constexpr int kHookedInstruments = 30;
static_assert(role::count <= kHookedInstruments, "every role must be hooked");

// The rate start-up asks the music library for, and the one the capture
// renders and writes at. The live output plays at the sound device's own rate
// instead (music_live_output_rate()), so live sample counts are at that rate.
constexpr int kMixRate = 32000;

// The demo's last frame is the one that reads this position.
constexpr int kEndOrder = 20;
constexpr int kEndRow = 2;

constexpr const char* kModuleFile = "qx_demo_drensolk.xm";
// The pictures in texture order; the extensions' mixed case is part of the names.
constexpr int kPictureCount = 7;
constexpr const char* kPictureFiles[kPictureCount] = {
    "paintart1.PNG", "paintart2.PNG", "paintart3.PNG", "paintart4.png", "paintart5.png", "paintart6.PNG", "cow.PNG",
};
constexpr int kCowPicture = 6;
// Everything the demo reads from its folder: the module, then the pictures.
constexpr int kDataFileCount = 1 + kPictureCount;
constexpr const char* kDataFiles[kDataFileCount] = {
    kModuleFile,      kPictureFiles[0], kPictureFiles[1], kPictureFiles[2],
    kPictureFiles[3], kPictureFiles[4], kPictureFiles[5], kPictureFiles[6],
};
