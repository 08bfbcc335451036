// The contact sheet: one frame from the middle of every order, shrunk and
// tiled left to right, top to bottom, on a dark grey ground.
#pragma once
#include <cstdint>

#include "capture/frame_clock.h"
#include "capture/music_survey.h"
#include "core/frame_image.h"

constexpr int kSheetColumns = 7;
constexpr int kSheetGap = 2;  // pixels between tiles and around the edge

struct ContactSheet {
    int tiles;
    int tile_w, tile_h;
    int factor;  // frame pixels per tile pixel along each axis
    RgbImage image;
};

// A sheet for `tiles` frames of width x height, each shrunk by the smallest
// whole factor that makes it at most `max_tile_width` wide.
void sheet_init(ContactSheet* sheet, int tiles, int width, int height, int max_tile_width);
// Shrinks `frame` (averaging factor x factor blocks) into tile `index`.
void sheet_place(ContactSheet* sheet, int index, const RgbImage& frame);

// The frame (counted from the capture's first) that shows the middle of each
// order, given the frame at which the music starts; -1 where the order is not
// played.
void sheet_frames(const MusicSurvey& survey, FrameClock clock, int64_t music_frame, int64_t out[kSurveyOrders]);
