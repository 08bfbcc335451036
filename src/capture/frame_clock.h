// The capture's virtual clock: frame k is shown at k / fps seconds, and the
// audio that plays under it starts at sample k * rate / fps (rounded down), so
// sound and picture never drift apart however long the capture runs.
#pragma once
#include <cstdint>

#include "core/base/demo_data.h"

struct FrameClock {
    int fps = 60;
    int rate = kMixRate;
};

inline double frame_time(FrameClock c, int64_t frame) { return static_cast<double>(frame) / c.fps; }

inline int64_t frame_sample(FrameClock c, int64_t frame) { return frame * c.rate / c.fps; }

// The first frame whose sample is at or after `sample` (sample >= 0).
inline int64_t first_frame_at(FrameClock c, int64_t sample) { return (sample * c.fps + c.rate - 1) / c.rate; }
