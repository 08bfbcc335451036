// The demo's eighteen sounds, synthesised from oscillators, noise and filters.
// Each function returns one voice: the audio plus what the tracker needs to
// play it (its pitch, its loop).
#pragma once

#include <string>

#include "datagen/synth.h"

namespace datagen {

struct Voice {
    std::string name;
    synth::Buffer audio;
    double base_hz = 0.0;  // fundamental of the audio; 0 for unpitched (plays at its own rate on C-4)
    bool looped = false;   // loops from loop_start to the end
    size_t loop_start = 0;
};

// Drums and effects (drums.cpp).
Voice make_kick();
Voice make_snare();
Voice make_tom();
Voice make_clap();
Voice make_crash();
Voice make_closed_hat();
Voice make_rim();
Voice make_open_hat();
Voice make_sweep();

// Pitched sounds (tones.cpp).
Voice make_bass();
Voice make_pad();
Voice make_keys();
Voice make_lead();
Voice make_arp();
Voice make_bell();
Voice make_acid();
Voice make_pluck();
Voice make_stab();

}  // namespace datagen
