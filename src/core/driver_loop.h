// The one frame loop that every driver runs: the live demo (core/frame_loop),
// the capture and the bench. Each frame reads the music, then the clock,
// draws, steps the layer mask, presents and asks whether to stop; the driver
// hands in how each of those happens, as the intro loop takes its clock,
// keys and swap.
#pragma once
#include <functional>

// The music's position as a video frame reads it.
struct MusicPosition {
    int order = 0, row = 0;
};

// Everything one video frame's drawing depends on besides the layers' own
// stores: draw_frame(order, t, layer_mask) draws it.
struct FrameInputs {
    int order = 0, row = 0;
    float t = 0;  // the frame time the layers are given
    int layer_mask = 0;
};

// What a driver hands in. `music`, `clock` and `present` are required; an
// empty `draw` draws draw_frame(order, t, layer_mask); an empty `stop` never
// stops. Called in this order each frame, each once: music, clock, draw,
// (the layer mask steps), present, stop.
struct FrameDriver {
    std::function<MusicPosition()> music;             // moves or reads the music for this frame
    std::function<float()> clock;                     // the frame time t
    std::function<void(const FrameInputs&)> draw;     // the frame's drawing
    std::function<void(const FrameInputs&)> present;  // shows the frame (swap, read-back, timing)
    std::function<bool(const FrameInputs&)> stop;     // after present: true ends the loop there
};

// The loop's own state between frames; zero-initialised at the start.
struct DriverState {
    int layer_mask = 0;
};

// One frame, for drivers that are called a frame at a time (a browser's
// animation callback). Returns false when `stop` ended the loop.
bool driver_frame(DriverState* state, const FrameDriver& driver);

// Frames until `stop` says so; every frame started is drawn and presented.
void run_driver_loop(const FrameDriver& driver);
