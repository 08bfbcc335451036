#include "core/display_lead.h"

#include <algorithm>
#include <vector>

#include "core/music/percentile.h"

void display_lead_add(DisplayLead* lead, double read_ms, double shown_ms)
{
    const int slot = lead->count % kLeadFrames;
    lead->shown_ms[slot] = shown_ms - read_ms;
    lead->period_ms[slot] = lead->count > 0 ? read_ms - lead->last_read_ms : -1.0;
    lead->last_read_ms = read_ms;
    ++lead->count;
}

double display_lead_ms(const DisplayLead& lead)
{
    const int n = std::min(lead.count, kLeadFrames);
    if (n == 0) return 0.0;
    double ms = percentile(std::vector<double>(lead.shown_ms, lead.shown_ms + n), 50);
    // The very first frame has no period (-1) until the ring wraps over it.
    std::vector<double> periods;
    for (int i = 0; i < n; ++i)
        if (lead.period_ms[i] >= 0) periods.push_back(lead.period_ms[i]);
    if (!periods.empty()) ms += percentile(periods, 50) / 2;
    return ms;
}
