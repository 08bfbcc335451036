#include "capture/music_survey.h"

#include <algorithm>

#include "core/frame_loop.h"
#include "core/music/player_core.h"

MusicSurvey survey_music(const std::vector<uint8_t>& bytes, int rate, int start_order, uint64_t limit)
{
    MusicSurvey s;
    std::fill(std::begin(s.order_start), std::end(s.order_start), kSurveyNone);
    std::fill(std::begin(s.order_end), std::end(s.order_end), kSurveyNone);
    s.end_sample = kSurveyNone;

    PlayerCore core{};
    if (player_core_open(&core, bytes.data(), bytes.size(), rate) != 0) return s;
    if (start_order >= 0) player_core_set_order(&core, start_order);
    constexpr size_t kBlock = 8192;
    std::vector<int16_t> pcm(2 * kBlock);
    int current = -1;  // the order being played, as far as the span bookkeeping goes
    while (s.end_sample == kSurveyNone && player_core_sample(&core) < limit) {
        player_core_render_block(&core, pcm.data(), kBlock, [&](const MusicEvent& e, size_t) {
            if (e.kind != MusicEventKind::Row || s.end_sample != kSurveyNone) return;
            if (e.order != current) {
                if (current >= 0 && current < kSurveyOrders && s.order_end[current] == kSurveyNone)
                    s.order_end[current] = e.sample;
                current = e.order;
                if (current >= 0 && current < kSurveyOrders && s.order_start[current] == kSurveyNone)
                    s.order_start[current] = e.sample;
            }
            if (is_end_position(e.order, e.row)) s.end_sample = e.sample;
        });
    }
    if (s.end_sample != kSurveyNone && s.order_end[kEndOrder] == kSurveyNone) s.order_end[kEndOrder] = s.end_sample;
    player_core_close(&core);
    return s;
}

uint64_t survey_middle(const MusicSurvey& s, int order)
{
    if (order < 0 || order >= kSurveyOrders) return kSurveyNone;
    const uint64_t start = s.order_start[order], end = s.order_end[order];
    if (start == kSurveyNone || end == kSurveyNone) return kSurveyNone;
    return start + (end - start) / 2;
}
