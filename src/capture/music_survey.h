// A dry pass through the player core before the capture: where each order
// starts and where the demo's end row starts, so the capture knows its length
// (for the progress line) and the middle of every order (for the contact
// sheet) before it draws a frame. Touches no sync state.
#pragma once
#include <cstdint>
#include <vector>

constexpr int kSurveyOrders = 21;  // orders 0 to 20: the demo's whole schedule
constexpr uint64_t kSurveyNone = UINT64_MAX;

struct MusicSurvey {
    // Sample span of each order's first visit, counted from the music's start;
    // kSurveyNone where the order is not played before the end row.
    uint64_t order_start[kSurveyOrders];
    uint64_t order_end[kSurveyOrders];  // where the next order starts (end row for order 20)
    uint64_t end_sample;                // start of the end row; kSurveyNone if not reached
};

// Renders from `start_order` (as capture_music_open moves there) until the end
// row starts or `limit` samples have been rendered. `bytes` must open (checked before).
MusicSurvey survey_music(const std::vector<uint8_t>& bytes, int rate, int start_order, uint64_t limit);

// The middle sample of the order's span, or kSurveyNone where it is not played.
uint64_t survey_middle(const MusicSurvey& survey, int order);
