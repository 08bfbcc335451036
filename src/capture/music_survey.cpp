#include "capture/music_survey.h"

#include <algorithm>

#include "core/frame_loop.h"
#include "core/music/player_core.h"

MusicSurvey survey_music(const std::vector<uint8_t>& bytes, int rate, int start_order, uint64_t limit)
{
    MusicSurvey s;
    std::fill(std::begin(s.order_start), std::end(s.order_start), SURVEY_NONE);
    std::fill(std::begin(s.order_end), std::end(s.order_end), SURVEY_NONE);
    s.end_sample = SURVEY_NONE;

    mcore_t core{};
    if (mcore_open(&core, bytes.data(), bytes.size(), rate) != 0) return s;
    if (start_order >= 0) mcore_set_order(&core, start_order);
    constexpr size_t kBlock = 8192;
    constexpr int kCapacity = 4 * MCORE_MAX_EVENTS_PER_TICK;
    std::vector<int16_t> pcm(2 * kBlock);
    mcore_event events[kCapacity];
    int current = -1;  // the order being played, as far as the span bookkeeping goes
    while (s.end_sample == SURVEY_NONE && mcore_frames(&core) < limit) {
        int count = 0;
        mcore_render(&core, pcm.data(), kBlock, events, kCapacity, &count);
        for (int i = 0; i < count && s.end_sample == SURVEY_NONE; ++i) {
            const mcore_event& e = events[i];
            if (e.kind != MCORE_ROW) continue;
            if (e.order != current) {
                if (current >= 0 && current < SURVEY_ORDERS && s.order_end[current] == SURVEY_NONE)
                    s.order_end[current] = e.frame;
                current = e.order;
                if (current >= 0 && current < SURVEY_ORDERS && s.order_start[current] == SURVEY_NONE)
                    s.order_start[current] = e.frame;
            }
            if (is_end_position(e.order, e.row)) s.end_sample = e.frame;
        }
    }
    if (s.end_sample != SURVEY_NONE && s.order_end[END_ORDER] == SURVEY_NONE) s.order_end[END_ORDER] = s.end_sample;
    mcore_close(&core);
    return s;
}

uint64_t survey_middle(const MusicSurvey& s, int order)
{
    if (order < 0 || order >= SURVEY_ORDERS) return SURVEY_NONE;
    const uint64_t start = s.order_start[order], end = s.order_end[order];
    if (start == SURVEY_NONE || end == SURVEY_NONE) return SURVEY_NONE;
    return start + (end - start) / 2;
}
