#include "core/display_lead.h"

#include <algorithm>
#include <vector>

#include "core/music/percentile.h"

void display_lead_add(DisplayLead* lead, double read_ms, double shown_ms)
{
    const int slot = lead->count % kLeadFrames;
    lead->read_ms[slot] = read_ms;
    lead->shown_ms[slot] = shown_ms;
    ++lead->count;
}

double display_lead_ms(const DisplayLead& lead)
{
    const int n = std::min(lead.count, kLeadFrames);
    if (n == 0) return 0.0;
    // The kept frames oldest first: slot (count - n + i) % kLeadFrames.
    std::vector<double> shown, periods;
    for (int i = 0; i < n; ++i) {
        const int slot = (lead.count - n + i) % kLeadFrames;
        shown.push_back(lead.shown_ms[slot] - lead.read_ms[slot]);
        if (i > 0) periods.push_back(lead.read_ms[slot] - lead.read_ms[(slot + kLeadFrames - 1) % kLeadFrames]);
    }
    double ms = percentile(shown, 50);
    if (!periods.empty()) ms += percentile(periods, 50) / 2;
    return ms;
}
