#include "capture/contact_sheet.h"

#include <algorithm>

void sheet_init(ContactSheet* s, int tiles, int width, int height, int max_tile_width)
{
    s->tiles = tiles;
    s->factor = std::max(1, (width + max_tile_width - 1) / max_tile_width);
    s->tile_w = std::max(1, width / s->factor);
    s->tile_h = std::max(1, height / s->factor);
    const int rows = (tiles + kSheetColumns - 1) / kSheetColumns;
    const int columns = std::min(tiles, kSheetColumns);
    s->image.width = columns * s->tile_w + (columns + 1) * kSheetGap;
    s->image.height = rows * s->tile_h + (rows + 1) * kSheetGap;
    s->image.pixels.assign(static_cast<size_t>(s->image.width) * s->image.height * 3, 32);
}

void sheet_place(ContactSheet* s, int index, const RgbImage& frame)
{
    if (index < 0 || index >= s->tiles) return;
    const int f = s->factor;
    const int x0 = kSheetGap + (index % kSheetColumns) * (s->tile_w + kSheetGap);
    const int y0 = kSheetGap + (index / kSheetColumns) * (s->tile_h + kSheetGap);
    for (int y = 0; y < s->tile_h; ++y)
        for (int x = 0; x < s->tile_w; ++x) {
            int sum[3] = {0, 0, 0}, n = 0;
            for (int dy = 0; dy < f; ++dy)
                for (int dx = 0; dx < f; ++dx) {
                    const int fx = x * f + dx, fy = y * f + dy;
                    if (fx >= frame.width || fy >= frame.height) continue;
                    const uint8_t* p = frame.at(fx, fy);
                    for (int c = 0; c < 3; ++c) sum[c] += p[c];
                    ++n;
                }
            uint8_t* q = &s->image.pixels[(static_cast<size_t>(y0 + y) * s->image.width + x0 + x) * 3];
            for (int c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(n ? (sum[c] + n / 2) / n : 0);
        }
}

void sheet_frames(const MusicSurvey& survey, FrameClock clock, int64_t music_frame, int64_t out[kSurveyOrders])
{
    const int64_t music_sample = frame_sample(clock, music_frame);
    for (int o = 0; o < kSurveyOrders; ++o) {
        const uint64_t mid = survey_middle(survey, o);
        out[o] = mid == kSurveyNone ? -1 : first_frame_at(clock, music_sample + static_cast<int64_t>(mid));
    }
}
